#include "textrec/textrec.h"

#include <cctype>

namespace textrec {

namespace {

[[noreturn]] void badFormat(std::string_view format, std::size_t pos, const char* what) {
    throw std::invalid_argument("format \"" + std::string(format) + "\" at " +
                                std::to_string(pos + 1) + ": " + what);
}

int readNumber(std::string_view s, std::size_t& pos) {
    int n = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        n = n * 10 + (s[pos++] - '0');
        if (n > kMaxFormatNumber)
            badFormat(s, pos - 1, "number above 10000");
    }
    return n;
}

void skipBlanks(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && s[pos] == ' ')
        ++pos;
}

} // namespace

std::vector<FormatItem> parseFormat(std::string_view format) {
    std::vector<FormatItem> items;
    std::size_t pos = 0;
    skipBlanks(format, pos);
    if (pos >= format.size() || format[pos] != '(')
        badFormat(format, pos, "expected '('");
    ++pos;
    bool closed = false;
    std::size_t recordWidth = 0;
    while (pos < format.size()) {
        skipBlanks(format, pos);
        if (pos >= format.size())
            break;
        char c = format[pos];
        if (c == ')') {
            closed = true;
            ++pos;
            break;
        }
        if (c == ',') {
            ++pos;
            continue;
        }
        if (c == '\'') {
            FormatItem item;
            item.kind = FieldKind::Literal;
            item.letter = '\'';
            ++pos;
            for (;;) {
                if (pos >= format.size())
                    badFormat(format, pos, "unterminated literal");
                if (format[pos] == '\'') {
                    if (pos + 1 < format.size() && format[pos + 1] == '\'') {
                        item.literal += '\'';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item.literal += format[pos++];
            }
            item.width = static_cast<int>(item.literal.size());
            recordWidth += item.literal.size();
            if (recordWidth > ReadLimits{}.lineCharacters)
                badFormat(format, pos, "record wider than a line may be");
            items.push_back(std::move(item));
            continue;
        }
        int repeat = 1;
        if (std::isdigit(static_cast<unsigned char>(c))) {
            repeat = readNumber(format, pos);
            if (repeat < 1)
                badFormat(format, pos, "repeat count below 1");
        }
        if (pos >= format.size())
            badFormat(format, pos, "expected a field");
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(format[pos])));
        ++pos;
        FormatItem item;
        item.letter = letter;
        switch (letter) {
        case 'E':
        case 'F':
        case 'D':
            item.kind = FieldKind::Real;
            item.width = readNumber(format, pos);
            if (pos >= format.size() || format[pos] != '.')
                badFormat(format, pos, "expected '.d'");
            ++pos;
            item.decimals = readNumber(format, pos);
            break;
        case 'I':
            item.kind = FieldKind::Integer;
            item.width = readNumber(format, pos);
            break;
        case 'A':
            item.kind = FieldKind::Text;
            item.width = readNumber(format, pos);
            break;
        case 'X':
            item.kind = FieldKind::Skip;
            item.width = repeat;
            repeat = 1;
            break;
        default:
            badFormat(format, pos - 1, "unknown edit descriptor");
        }
        if (item.width < 1)
            badFormat(format, pos, "field width below 1");
        recordWidth += static_cast<std::size_t>(repeat) * static_cast<std::size_t>(item.width);
        if (recordWidth > ReadLimits{}.lineCharacters)
            badFormat(format, pos, "record wider than a line may be");
        for (int r = 0; r < repeat; ++r)
            items.push_back(item);
    }
    if (!closed)
        badFormat(format, pos, "expected ')'");
    return items;
}

} // namespace textrec
