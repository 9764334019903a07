#include "textrec/textrec.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace textrec {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Normalises the text of a real field into "[-]digits e scale" (no point: the
// scale takes up the fraction digits, or the implied decimals of the field
// when no point is written) for from_chars. Blanks are ignored.
bool normaliseRealField(std::string_view field, int decimals, std::string& out) {
    std::string s;
    s.reserve(field.size());
    for (char c : field)
        if (c != ' ' && c != '\t')
            s += c;
    out.clear();
    if (s.empty()) {
        out = "0";
        return true;
    }
    std::size_t pos = 0;
    bool negative = false;
    if (s[pos] == '+' || s[pos] == '-') {
        negative = s[pos] == '-';
        ++pos;
    }
    std::string digits;
    bool point = false;
    int fractionDigits = 0;
    bool anyDigit = false;
    while (pos < s.size()) {
        char c = s[pos];
        if (isDigit(c)) {
            digits += c;
            anyDigit = true;
            if (point)
                ++fractionDigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++pos;
    }
    if (!anyDigit)
        return false;
    long exponent = 0;
    if (pos < s.size()) {
        char c = s[pos];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q')
            ++pos;
        else if (c != '+' && c != '-')
            return false;
        bool expNegative = false;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
            expNegative = s[pos] == '-';
            ++pos;
        }
        if (pos >= s.size())
            return false;
        while (pos < s.size()) {
            if (!isDigit(s[pos]))
                return false;
            if (exponent < 100000)
                exponent = exponent * 10 + (s[pos] - '0');
            ++pos;
        }
        if (expNegative)
            exponent = -exponent;
    }
    long scale = exponent - (point ? fractionDigits : decimals);
    out = negative ? "-" : "";
    out += digits;
    out += 'e';
    out += std::to_string(scale);
    return true;
}

template <typename T> bool readRealFieldT(std::string_view field, int decimals, T& value) {
    std::string text;
    if (!normaliseRealField(field, decimals, text))
        return false;
    T v{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is not a number we can use. The
        // text is "[-]digits e scale", so the magnitude is below 1 exactly
        // when the significant digits and the scale add up to 0 or less.
        std::size_t e = text.find('e');
        bool negative = text[0] == '-';
        std::string_view digits(text.data() + (negative ? 1 : 0), e - (negative ? 1 : 0));
        auto significant = digits.size() - std::min(digits.size(), digits.find_first_not_of('0'));
        long scale = 0;
        std::from_chars(text.data() + e + 1, text.data() + text.size(), scale);
        if (static_cast<long>(significant) + scale > 0)
            return false;
        value = negative ? -T{0} : T{0};
        return true;
    }
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    value = v;
    return true;
}

// Length of the longest leading decimal number of s (after the caller skipped
// blanks), accepting sign, digits, point and an E/D exponent with digits.
std::size_t leadingNumberLength(std::string_view s, bool& anyDigit) {
    std::size_t pos = 0;
    anyDigit = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    while (pos < s.size() && isDigit(s[pos])) {
        ++pos;
        anyDigit = true;
    }
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && isDigit(s[pos])) {
            ++pos;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e' || s[pos] == 'D' || s[pos] == 'd')) {
        std::size_t e = pos + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        if (e < s.size() && isDigit(s[e])) {
            while (e < s.size() && isDigit(s[e]))
                ++e;
            pos = e;
        }
    }
    return pos;
}

// The leading number is read as a real field without implied decimals, so
// that it follows the same rules: a tiny magnitude reads as zero, a number
// beyond the type's range is refused.
template <typename T> std::optional<T> readLeading(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    line.remove_prefix(start);
    bool anyDigit = false;
    std::size_t n = leadingNumberLength(line, anyDigit);
    if (n == 0)
        return std::nullopt;
    T v{};
    if (!readRealFieldT(line.substr(0, n), 0, v))
        return std::nullopt;
    return v;
}

} // namespace

bool readRealField(std::string_view field, int decimals, double& value) {
    return readRealFieldT(field, decimals, value);
}

bool readRealField(std::string_view field, int decimals, float& value) {
    return readRealFieldT(field, decimals, value);
}

bool readIntegerField(std::string_view field, std::int32_t& value) {
    long long v = 0;
    bool negative = false;
    bool sign = false;
    bool digit = false;
    for (char c : field) {
        if (c == ' ' || c == '\t')
            continue;
        if ((c == '+' || c == '-') && !sign && !digit) {
            sign = true;
            negative = c == '-';
        } else if (isDigit(c)) {
            digit = true;
            v = v * 10 + (c - '0');
            if (v > 2147483648LL)
                return false;
        } else {
            return false;
        }
    }
    if (sign && !digit)
        return false;
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

namespace {

// Walks a line field by field; calls onField(item, text, column) for each
// non-literal item. Returns false as soon as onField does.
template <typename F>
bool walkRecord(std::string_view line, std::span<const FormatItem> format, F&& onField) {
    std::size_t column = 0;
    for (const FormatItem& item : format) {
        std::string_view text;
        if (column < line.size())
            text = line.substr(column, static_cast<std::size_t>(item.width));
        if (item.kind != FieldKind::Literal && item.kind != FieldKind::Skip) {
            if (!onField(item, text, static_cast<int>(column) + 1))
                return false;
        }
        column += static_cast<std::size_t>(item.width);
    }
    return true;
}

} // namespace

RecordValues readRecord(std::string_view line, std::span<const FormatItem> format) {
    RecordValues result;
    walkRecord(line, format, [&](const FormatItem& item, std::string_view text, int column) {
        switch (item.kind) {
        case FieldKind::Real: {
            double v = 0;
            if (!readRealField(text, item.decimals, v)) {
                result.ok = false;
                result.column = column;
                result.error = "expected a number in columns " + std::to_string(column) + "-" +
                               std::to_string(column + item.width - 1) + ", found \"" +
                               shownText(text) + "\"";
                return false;
            }
            result.numbers.push_back(v);
            return true;
        }
        case FieldKind::Integer: {
            std::int32_t v = 0;
            if (!readIntegerField(text, v)) {
                result.ok = false;
                result.column = column;
                result.error = "expected an integer in columns " + std::to_string(column) + "-" +
                               std::to_string(column + item.width - 1) + ", found \"" +
                               shownText(text) + "\"";
                return false;
            }
            result.numbers.push_back(v);
            return true;
        }
        default: {
            std::string t(text);
            t.resize(static_cast<std::size_t>(item.width), ' ');
            result.texts.push_back(std::move(t));
            return true;
        }
        }
    });
    return result;
}

RecordValues readRecord(std::string_view line, std::string_view format) {
    auto items = parseFormat(format);
    return readRecord(line, items);
}

bool readRecordFloats(std::string_view line, std::span<const FormatItem> format,
                      std::span<float> out, int* column) {
    std::size_t n = 0;
    return walkRecord(line, format, [&](const FormatItem& item, std::string_view text, int col) {
        if (item.kind == FieldKind::Text)
            return true;
        float v = 0;
        bool ok;
        if (item.kind == FieldKind::Integer) {
            std::int32_t i = 0;
            ok = readIntegerField(text, i);
            v = static_cast<float>(i);
        } else {
            ok = readRealField(text, item.decimals, v);
        }
        if (!ok || n >= out.size()) {
            if (column)
                *column = col;
            return false;
        }
        out[n++] = v;
        return true;
    });
}

std::optional<double> readFreeNumber(std::string_view line) {
    return readLeading<double>(line);
}

std::optional<float> readFreeNumberFloat(std::string_view line) {
    return readLeading<float>(line);
}

double leadingNumber(std::string_view text) {
    return readLeading<double>(text).value_or(0.0);
}

std::optional<double> readWholeNumber(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin]))
        ++begin;
    bool anyDigit = false;
    std::size_t end = begin + leadingNumberLength(text.substr(begin), anyDigit);
    if (end == begin)
        return std::nullopt;
    for (char c : text.substr(end))
        if (!isBlank(c))
            return std::nullopt;
    return readLeading<double>(text.substr(begin, end - begin));
}

} // namespace textrec
