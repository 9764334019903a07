// The window tests' stand-in for message and input boxes: it records what
// would have been shown and answers from queues instead of waiting for a user.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "platform/Platform.h"

namespace testsupport {

struct ShownMessage {
    QString text;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageIcon icon = platform::MessageIcon::None;
};

class RecordingMessages final : public platform::MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    // Message boxes take `answers` in turn, then `answer`.
    std::deque<platform::MessageResult> answers;
    platform::MessageResult answer = platform::MessageResult::Ok;
    // Input boxes take `typed` in turn; with none left they are cancelled.
    std::deque<QString> typed;
    QStringList prompts;

    platform::MessageResult show(QWidget*, const QString& text, const QString&,
                                 platform::MessageButtons buttons,
                                 platform::MessageIcon icon) override {
        shown.push_back({text, buttons, icon});
        if (answers.empty())
            return answer;
        const platform::MessageResult next = answers.front();
        answers.pop_front();
        return next;
    }
    bool input(QWidget*, const QString& prompt, const QString&, const QString&,
               QString& text) override {
        prompts.push_back(prompt);
        if (typed.empty())
            return false;
        text = typed.front();
        typed.pop_front();
        return true;
    }
    // The texts shown, in order.
    QStringList texts() const {
        QStringList all;
        for (const ShownMessage& m : shown)
            all.push_back(m.text);
        return all;
    }
};

} // namespace testsupport
