#include "textrec/textrec.h"

#include "decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace textrec {

namespace detail {

namespace {

// Rounds a digit string to n digits, half away from zero (digits holds the
// magnitude only). Returns true when the rounding carried into a new digit
// (999 -> 1000), in which case the result has n+1 digits.
bool roundDigitString(std::string& digits, std::size_t n) {
    bool up = digits.size() > n && digits[n] >= '5';
    digits.resize(n, '0');
    if (!up)
        return false;
    for (std::size_t i = n; i-- > 0;) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            return false;
        }
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// Exact-enough scientific digits: "d.ddd" mantissa digits (without point) and
// the decimal exponent of the first digit.
void scientificDigits(double magnitude, int precision, std::string& digits, int& exp10) {
    // Room for the digits, the point and the exponent, whatever the precision.
    std::string buf(static_cast<std::size_t>(precision) + 16, '\0');
    auto [ptr, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                   std::chars_format::scientific, precision);
    (void)ec;
    std::string_view s(buf.data(), static_cast<std::size_t>(ptr - buf.data()));
    auto e = s.find('e');
    digits.clear();
    for (char c : s.substr(0, e))
        if (c != '.')
            digits += c;
    int x = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), x);
    exp10 = x;
}

void fixedDigits(double magnitude, int precision, std::string& intDigits, std::string& fracDigits) {
    std::string buf(400 + static_cast<std::size_t>(precision), '\0');
    auto [ptr, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                   std::chars_format::fixed, precision);
    (void)ec;
    std::string_view s(buf.data(), static_cast<std::size_t>(ptr - buf.data()));
    auto p = s.find('.');
    intDigits = std::string(s.substr(0, p));
    fracDigits = p == std::string_view::npos ? std::string() : std::string(s.substr(p + 1));
}

// True when the digits after position n of a shortened expansion could hide
// an exact half ("500" may be a rounded 4999.. or 5000..1).
bool ambiguousHalf(const std::string& digits, std::size_t n) {
    return digits.size() >= n + 3 && digits.compare(n, 3, "500") == 0;
}

} // namespace

Decimal roundSignificant(double value, int significant) {
    Decimal d;
    d.negative = std::signbit(value) && value != 0;
    double magnitude = std::fabs(value);
    if (magnitude == 0) {
        d.digits.assign(static_cast<std::size_t>(significant), '0');
        d.exponent = 0;
        return d;
    }
    int exp10 = 0;
    // A short expansion decides almost always; only a possible exact half
    // needs the long one (a double lies at least ulp * 10^-(n+1) from a tie).
    scientificDigits(magnitude, significant + 2, d.digits, exp10);
    if (ambiguousHalf(d.digits, static_cast<std::size_t>(significant)))
        scientificDigits(magnitude, 2 * significant + 24, d.digits, exp10);
    if (roundDigitString(d.digits, static_cast<std::size_t>(significant))) {
        d.digits.pop_back();
        ++exp10;
    }
    d.exponent = exp10 + 1;
    return d;
}

Fixed roundFixed(double value, int decimals) {
    Fixed f;
    f.negative = std::signbit(value);
    double magnitude = std::fabs(value);
    std::string intDigits, fracDigits;
    fixedDigits(magnitude, decimals + 3, intDigits, fracDigits);
    if (ambiguousHalf(fracDigits, static_cast<std::size_t>(decimals)))
        fixedDigits(magnitude, 2 * decimals + 40, intDigits, fracDigits);
    std::string all = intDigits + fracDigits;
    std::size_t keep = intDigits.size() + static_cast<std::size_t>(decimals);
    bool carried = roundDigitString(all, keep);
    std::size_t intCount = intDigits.size() + (carried ? 1 : 0);
    f.integerDigits = all.substr(0, intCount);
    f.fractionDigits = all.substr(intCount);
    auto firstNonZero = f.integerDigits.find_first_not_of('0');
    f.integerDigits =
        firstNonZero == std::string::npos ? "0" : f.integerDigits.substr(firstNonZero);
    f.isZero = all.find_first_not_of('0') == std::string::npos;
    return f;
}

} // namespace detail

namespace {

std::string stars(int width) {
    return std::string(static_cast<std::size_t>(width), '*');
}

std::string rightAlign(std::string s, int width) {
    if (static_cast<int>(s.size()) > width)
        return stars(width);
    s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

} // namespace

namespace {

// 10^k for k = -kPowerRange..kPowerRange, each within an ulp of the exact power.
constexpr int kPowerRange = 110;

const double* powersOfTen() {
    static const auto table = [] {
        std::array<double, 2 * kPowerRange + 1> t{};
        for (int k = -kPowerRange; k <= kPowerRange; ++k)
            t[static_cast<std::size_t>(k + kPowerRange)] =
                static_cast<double>(std::pow(10.0L, static_cast<long double>(k)));
        return t;
    }();
    return table.data() + kPowerRange;
}

// The common case of an E field without building decimal strings: a finite,
// non-zero value of moderate size, up to nine digits. The mantissa digits come
// from one multiplication by a power of ten; its error (a few ulps, far below
// 1e-12 relative) can only change the rounding when the scaled value lies that
// close to a half, and those values go to the exact path. Returns false when
// the exact path has to decide.
bool formatEFast(double value, int width, int decimals, std::string& out) {
    if (!std::isfinite(value) || value == 0 || decimals < 1 || decimals > 9 || width > 40)
        return false;
    double magnitude = std::fabs(value);
    if (magnitude < 1e-90 || magnitude > 1e90)
        return false;
    const double* pow10 = powersOfTen();
    const double lower = pow10[decimals - 1];
    const double upper = pow10[decimals];
    // The decimal exponent from the binary one; it may be one off, which the
    // check of the scaled value below puts right.
    int binaryExponent = 0;
    std::frexp(magnitude, &binaryExponent);
    int e = static_cast<int>(std::floor(binaryExponent * 0.30102999566398120)) + 1;
    double scaled = magnitude * pow10[decimals - e];
    if (scaled < lower) {
        --e;
        scaled = magnitude * pow10[decimals - e];
    } else if (scaled >= upper) {
        ++e;
        scaled = magnitude * pow10[decimals - e];
    }
    if (scaled < lower || scaled >= upper)
        return false;
    double whole = std::floor(scaled);
    double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= scaled * 1e-12)
        return false;
    auto mantissa = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    if (mantissa >= static_cast<std::uint64_t>(upper)) {
        mantissa /= 10;
        ++e;
    }
    bool negative = value < 0;
    int length = (negative ? 1 : 0) + 2 + decimals + 4;
    bool zeroBeforePoint = length <= width;
    if (!zeroBeforePoint)
        --length;
    if (length > width)
        return false;
    char buf[48];
    char* p = buf;
    for (int i = length; i < width; ++i)
        *p++ = ' ';
    if (negative)
        *p++ = '-';
    if (zeroBeforePoint)
        *p++ = '0';
    *p++ = '.';
    for (int i = decimals - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + mantissa % 10);
        mantissa /= 10;
    }
    p += decimals;
    int ae = std::abs(e);
    *p++ = 'E';
    *p++ = e < 0 ? '-' : '+';
    *p++ = static_cast<char>('0' + ae / 10);
    *p++ = static_cast<char>('0' + ae % 10);
    out.assign(buf, static_cast<std::size_t>(p - buf));
    return true;
}

} // namespace

std::string formatE(double value, int width, int decimals) {
    std::string out;
    if (formatEFast(value, width, decimals, out))
        return out;
    return detail::formatEExact(value, width, decimals);
}

std::string detail::formatEExact(double value, int width, int decimals) {
    if (!std::isfinite(value) || decimals < 1)
        return stars(width);
    detail::Decimal d = detail::roundSignificant(value, decimals);
    int e = value == 0 ? 0 : d.exponent;
    std::string exponent;
    int ae = std::abs(e);
    if (ae <= 99) {
        exponent =
            std::string("E") + (e < 0 ? '-' : '+') + char('0' + ae / 10) + char('0' + ae % 10);
    } else if (ae <= 999) {
        exponent = std::string(1, e < 0 ? '-' : '+') + std::to_string(ae);
    } else {
        return stars(width);
    }
    std::string body = "0." + d.digits + exponent;
    std::string sign = d.negative ? "-" : "";
    if (static_cast<int>(sign.size() + body.size()) > width)
        body.erase(0, 1); // no room for the zero before the point
    return rightAlign(sign + body, width);
}

std::string formatF(double value, int width, int decimals) {
    if (!std::isfinite(value) || decimals < 0)
        return stars(width);
    detail::Fixed f = detail::roundFixed(value, decimals);
    // A negative value that rounds to zero keeps its minus sign, as Fortran
    // runtimes write it ("-0.0").
    std::string sign = f.negative && value != 0 ? "-" : "";
    std::string body = f.integerDigits + "." + f.fractionDigits;
    if (static_cast<int>(sign.size() + body.size()) > width && f.integerDigits == "0" &&
        decimals > 0)
        body.erase(0, 1);
    return rightAlign(sign + body, width);
}

std::string formatI(long long value, int width) {
    return rightAlign(std::to_string(value), width);
}

std::string writeRecord(std::span<const FormatItem> format, std::span<const double> values) {
    std::string out;
    std::size_t next = 0;
    for (const FormatItem& item : format) {
        switch (item.kind) {
        case FieldKind::Literal:
            out += item.literal;
            break;
        case FieldKind::Skip:
            out.append(static_cast<std::size_t>(item.width), ' ');
            break;
        case FieldKind::Text:
            throw std::invalid_argument("writeRecord: text fields are not written");
        case FieldKind::Real:
        case FieldKind::Integer: {
            if (next >= values.size())
                throw std::invalid_argument("writeRecord: fewer values than fields");
            double v = values[next++];
            if (item.kind == FieldKind::Integer)
                out += formatI(std::llround(v), item.width);
            else if (item.letter == 'F')
                out += formatF(v, item.width, item.decimals);
            else
                out += formatE(v, item.width, item.decimals);
            break;
        }
        }
    }
    if (next != values.size())
        throw std::invalid_argument("writeRecord: more values than fields");
    return out;
}

std::string writeRecord(std::string_view format, std::span<const double> values) {
    auto items = parseFormat(format);
    return writeRecord(items, values);
}

} // namespace textrec
