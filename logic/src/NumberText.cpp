#include "logic/NumberText.h"

#include "textrec/textrec.h"

namespace numbertext {

QString asciiForms(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            c = QChar(u'0' + (u - u'０'));
        else if (u == u'．')
            c = QLatin1Char('.');
        else if (u == u'－' || u == u'\u2212') // full-width and the minus sign
            c = QLatin1Char('-');
        else if (u == u'＋')
            c = QLatin1Char('+');
        else if (u == u'\u3000')
            c = QLatin1Char(' ');
    }
    return out;
}

std::string asciiBytes(const QString& text) {
    return asciiForms(text).toStdString();
}

double fieldNumber(const QString& text) {
    return textrec::leadingNumber(asciiBytes(text));
}

} // namespace numbertext
