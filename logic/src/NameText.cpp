#include "logic/NameText.h"

namespace nametext {

std::optional<char32_t> controlCharacter(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            return u;
    }
    return std::nullopt;
}

QString codePointText(char32_t c) {
    return QStringLiteral("U+%1").arg(QString::number(c, 16).toUpper().rightJustified(4, u'0'));
}

} // namespace nametext
