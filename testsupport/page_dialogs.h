// Stand-ins for the file and print dialogs of the window tests: the file
// dialog answers with the paths the test gives, one per question; the print
// dialog sends the page to a PDF file instead of a printer.
#pragma once

#include "platform/Platform.h"

#include <QPrinter>
#include <QString>

#include <deque>

namespace page_dialogs {

class AnsweringFileDialogs final : public platform::FileDialogs {
public:
    QString saveFileName(QWidget*, const QString&, const QString& suggested,
                         const QString&) override {
        offered.push_back(suggested);
        if (answers.empty())
            return {};
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<QString> answers;
    std::vector<QString> offered;
};

class PrintToPdf final : public platform::PrintDialogs {
public:
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    }
    QString path;
};

} // namespace page_dialogs
