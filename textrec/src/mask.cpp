#include "textrec/textrec.h"

#include "decimal.h"

#include <cmath>

namespace textrec {

namespace {

using detail::Decimal;

// Rounds a 15-digit decimal further, to `keep` leading digits, half away from
// zero. `keep` may be 0 or negative (the value then rounds to 0 or to one unit
// of the first kept position).
Decimal roundDecimalDigits(Decimal d, int keep) {
    if (keep >= static_cast<int>(d.digits.size()))
        return d;
    if (keep < 0) {
        d.digits = "0";
        d.exponent = 0;
        return d;
    }
    bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            char& c = d.digits[static_cast<std::size_t>(i)];
            if (c == '9') {
                c = '0';
            } else {
                ++c;
                break;
            }
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    if (d.digits.empty()) {
        d.digits = "0";
        d.exponent = 0;
    }
    return d;
}

bool allZero(const std::string& s) {
    return s.find_first_not_of('0') == std::string::npos;
}

struct Mask {
    std::string prefix;
    std::string integerPlaces; // '0' and '#'
    bool point = false;
    std::string decimalPlaces;
    bool scientific = false;
    char expLetter = 'E';
    bool expAlwaysSign = true;
    int expDigits = 0;
    std::string suffix;
};

Mask parseMask(std::string_view mask) {
    Mask m;
    std::size_t pos = 0;
    while (pos < mask.size() && mask[pos] != '0' && mask[pos] != '#' && mask[pos] != '.')
        m.prefix += mask[pos++];
    while (pos < mask.size() && (mask[pos] == '0' || mask[pos] == '#'))
        m.integerPlaces += mask[pos++];
    if (pos < mask.size() && mask[pos] == '.') {
        m.point = true;
        ++pos;
        while (pos < mask.size() && (mask[pos] == '0' || mask[pos] == '#'))
            m.decimalPlaces += mask[pos++];
    }
    if (pos + 1 < mask.size() && (mask[pos] == 'E' || mask[pos] == 'e') &&
        (mask[pos + 1] == '+' || mask[pos + 1] == '-')) {
        m.scientific = true;
        m.expLetter = mask[pos];
        m.expAlwaysSign = mask[pos + 1] == '+';
        pos += 2;
        while (pos < mask.size() && (mask[pos] == '0' || mask[pos] == '#')) {
            if (mask[pos] == '0')
                ++m.expDigits;
            ++pos;
        }
    }
    m.suffix = std::string(mask.substr(pos));
    return m;
}

// Fraction digits with the optional '#' places trimmed of trailing zeros.
std::string trimOptionalDecimals(std::string frac, const std::string& places) {
    std::size_t required = places.find_last_of('0');
    std::size_t minLen = required == std::string::npos ? 0 : required + 1;
    while (frac.size() > minLen && frac.back() == '0')
        frac.pop_back();
    return frac;
}

// The mask's prefix, the sign and the mantissa digits around the point.
std::string mantissaText(const Mask& m, bool negative, const std::string& intDigits,
                         const std::string& fracDigits) {
    std::string out = m.prefix;
    if (negative)
        out += '-';
    out += intDigits;
    if (m.point && (!fracDigits.empty() || !m.decimalPlaces.empty()))
        out += '.';
    out += fracDigits;
    return out;
}

std::string formatFixed(double value, const Mask& m) {
    Decimal d = detail::roundSignificant(value, 15);
    int decimals = static_cast<int>(m.decimalPlaces.size());
    if (value != 0)
        d = roundDecimalDigits(d, d.exponent + decimals);
    // Lay the digits out around the point.
    std::string intDigits, fracDigits;
    if (value == 0 || allZero(d.digits)) {
        intDigits = "";
        fracDigits.assign(static_cast<std::size_t>(decimals), '0');
        d.negative = false;
    } else if (d.exponent > 0) {
        std::string digits = d.digits;
        if (static_cast<int>(digits.size()) < d.exponent + decimals)
            digits.resize(static_cast<std::size_t>(d.exponent + decimals), '0');
        intDigits = digits.substr(0, static_cast<std::size_t>(d.exponent));
        fracDigits =
            digits.substr(static_cast<std::size_t>(d.exponent), static_cast<std::size_t>(decimals));
    } else {
        std::string digits = std::string(static_cast<std::size_t>(-d.exponent), '0') + d.digits;
        digits.resize(static_cast<std::size_t>(decimals), '0');
        fracDigits = digits;
    }
    std::size_t minInt = 0;
    for (char c : m.integerPlaces)
        if (c == '0')
            ++minInt;
    // Zeros count from the right: "#00.0" keeps two integer digits at least.
    if (intDigits.size() < minInt)
        intDigits.insert(0, minInt - intDigits.size(), '0');
    fracDigits = trimOptionalDecimals(fracDigits, m.decimalPlaces);
    return mantissaText(m, d.negative, intDigits, fracDigits) + m.suffix;
}

std::string formatScientific(double value, const Mask& m) {
    int intPlaces = std::max<int>(1, static_cast<int>(m.integerPlaces.size()));
    int decimals = static_cast<int>(m.decimalPlaces.size());
    int significant = intPlaces + decimals;
    Decimal d = detail::roundSignificant(value, 15);
    int exponent = 0;
    std::string digits;
    bool zero = value == 0;
    if (!zero) {
        d = roundDecimalDigits(d, significant);
        digits = d.digits;
        digits.resize(static_cast<std::size_t>(significant), '0');
        exponent = d.exponent - intPlaces;
    } else {
        digits.assign(static_cast<std::size_t>(significant), '0');
        d.negative = false;
    }
    std::string intDigits = digits.substr(0, static_cast<std::size_t>(intPlaces));
    std::string fracDigits = digits.substr(static_cast<std::size_t>(intPlaces));
    if (zero && m.integerPlaces.find('0') == std::string::npos)
        intDigits.clear();
    fracDigits = trimOptionalDecimals(fracDigits, m.decimalPlaces);
    std::string exp = std::to_string(std::abs(exponent));
    if (static_cast<int>(exp.size()) < m.expDigits)
        exp.insert(0, static_cast<std::size_t>(m.expDigits) - exp.size(), '0');
    std::string out = mantissaText(m, d.negative, intDigits, fracDigits);
    out += m.expLetter;
    if (exponent < 0)
        out += '-';
    else if (m.expAlwaysSign)
        out += '+';
    out += exp;
    out += m.suffix;
    return out;
}

} // namespace

std::string formatMask(double value, std::string_view mask) {
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
    Mask m = parseMask(mask);
    return m.scientific ? formatScientific(value, m) : formatFixed(value, m);
}

std::string plainNumber(double value, int significantDigits, bool leadingZero) {
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
    if (value == 0)
        return "0";
    Decimal d = detail::roundSignificant(value, significantDigits);
    std::string digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int x = d.exponent - 1; // exponent of the first digit
    std::string out = d.negative ? "-" : "";
    if (x >= -5 && x < significantDigits) {
        if (x >= 0) {
            std::string intPart = digits.substr(0, std::min<std::size_t>(digits.size(), x + 1));
            intPart.resize(static_cast<std::size_t>(x + 1), '0');
            out += intPart;
            if (digits.size() > static_cast<std::size_t>(x + 1))
                out += "." + digits.substr(static_cast<std::size_t>(x + 1));
        } else {
            if (leadingZero)
                out += '0';
            out += "." + std::string(static_cast<std::size_t>(-x - 1), '0') + digits;
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        std::string e = std::to_string(std::abs(x));
        if (e.size() < 2)
            e.insert(0, "0");
        out += std::string("E") + (x < 0 ? '-' : '+') + e;
    }
    return out;
}

} // namespace textrec
