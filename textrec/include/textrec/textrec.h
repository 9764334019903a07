// Fixed-column text records shared by the engine, the merger and the window program.
//
// The programs exchange plain text files whose records are described by
// Fortran-style formats such as "(E9.3,3E10.3)" or "(41E11.4)", and the window
// program shows numbers through display masks such as "0.000E+00" or "#00.0".
// Everything here is plain code without I/O state, except the small file helpers
// at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace textrec {

// Every record ends with CR LF, on every platform.
inline constexpr std::string_view kRecordEnd = "\r\n";

// ---------------------------------------------------------------------------
// Formats
// ---------------------------------------------------------------------------

enum class FieldKind { Real, Integer, Text, Literal, Skip };

// One item of a format: a real field (E or F; both read alike), an integer
// field, a text field, a quoted literal or nX blanks. Repeat counts are
// expanded, so "(3E10.3)" gives three items.
struct FormatItem {
    FieldKind kind = FieldKind::Real;
    char letter = 'E';   // 'E', 'F', 'D', 'I', 'A', '\'' or 'X'
    int width = 0;       // characters taken by the field
    int decimals = 0;    // d of Ew.d / Fw.d
    std::string literal; // text of a quoted item
};

// Parses "(E9.3,3E10.3)", "(' ',I3,' / ',I3)", "(F6.1,A1,F8.5)", "(A30)", ...
// Throws std::invalid_argument for a format it cannot parse, and for one whose
// widths, decimals or repeat counts exceed kMaxFormatNumber or whose record is
// wider than a line that the readers accept (ReadLimits::lineCharacters).
inline constexpr int kMaxFormatNumber = 10000;
std::vector<FormatItem> parseFormat(std::string_view format);

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// Reads one Ew.d / Fw.d field. Blanks are ignored and an all-blank field reads 0;
// a written decimal point fixes the decimals, otherwise the last `decimals`
// digits are decimals ("41234" with d = 5 reads 0.41234); an exponent may follow
// as E, D, e, d (optionally signed) or as a bare sign ("1.0+5"). Returns false
// when the field holds anything else. The float overload rounds the decimal text
// straight to float, as a Fortran runtime does for REAL*4.
bool readRealField(std::string_view field, int decimals, double& value);
bool readRealField(std::string_view field, int decimals, float& value);

// Reads one Iw field: blanks ignored, all-blank reads 0, optional sign.
bool readIntegerField(std::string_view field, std::int32_t& value);

// Result of reading one line against a format. Numbers (real and integer
// fields, in order) go to `numbers`, text fields to `texts`. On failure `ok` is
// false and `column` (1-based) is where the offending field starts.
struct RecordValues {
    bool ok = true;
    int column = 0;
    std::string error;
    std::vector<double> numbers;
    std::vector<std::string> texts;
};

// Reads a line against a parsed format. A line shorter than the format is padded
// with blanks; characters beyond the last field are ignored.
RecordValues readRecord(std::string_view line, std::span<const FormatItem> format);
RecordValues readRecord(std::string_view line, std::string_view format);

// Same, but each real field is rounded straight to float (for the 32-bit tables
// of the console programs). Returns false on a bad field and sets `column`.
bool readRecordFloats(std::string_view line, std::span<const FormatItem> format,
                      std::span<float> out, int* column = nullptr);

// Free-format number line: optional leading blanks, then one number (integer,
// fixed point or exponent form with E or D). Anything after it is ignored.
// Returns nothing when the line does not start with a number.
std::optional<double> readFreeNumber(std::string_view line);
std::optional<float> readFreeNumberFloat(std::string_view line);

// The window program's reading of a number from a text: leading blanks are
// skipped and the longest leading part that forms a decimal number is taken;
// an empty or non-numeric text reads as 0.
double leadingNumber(std::string_view text);

// A text that holds exactly one number between optional blanks or tabs, as
// the number lines of a room layout file do; nothing when anything else is
// there.
std::optional<double> readWholeNumber(std::string_view text);

// ---------------------------------------------------------------------------
// Writing (Fortran edit descriptors). Exact ties round away from zero; the
// decision is taken on the exact binary value, as a Fortran runtime in
// round-compatible mode does.
// ---------------------------------------------------------------------------

// Ew.d: right-aligned, optional minus, "0." when the width leaves room for the
// zero, d digits, then "E+dd" (or "+ddd" for three-digit exponents).
// 0.0001234 in E11.4 is " 0.1234E-03"; a value that does not fit is w asterisks.
std::string formatE(double value, int width, int decimals);

// Fw.d: right-aligned fixed point; "0" before the point when there is room;
// w asterisks when the value does not fit.
std::string formatF(double value, int width, int decimals);

// Iw: right-aligned integer, w asterisks when it does not fit.
std::string formatI(long long value, int width);

// Writes one record (without its line end) from a format and the values for
// its E/F/I items in order. Literal items are copied. Throws
// std::invalid_argument when the number of values does not match the format.
std::string writeRecord(std::string_view format, std::span<const double> values);
std::string writeRecord(std::span<const FormatItem> format, std::span<const double> values);
inline std::string writeRecord(std::string_view format, std::initializer_list<double> values) {
    return writeRecord(format, std::span<const double>(values.begin(), values.size()));
}

// ---------------------------------------------------------------------------
// Display masks and plain text of the window program
// ---------------------------------------------------------------------------

// Formats a number through a display mask: digit placeholders '0' (always
// shown) and '#' (shown when significant), an optional '.', an optional
// exponent part "E+00" / "E-00", and literal characters around them (the
// leading blanks of "  0.000E+00"). Masks used by the system: "0.000E+00",
// "0.00E+00", "  0.000E+00", "#.0E+00", "#00.0", "#0.0", "0000.0", "0.00000",
// "000.0", "##0.00", "00.0", "00.000", "0.0". The number is first taken to 15
// significant digits, then rounded half away from zero.
std::string formatMask(double value, std::string_view mask);

// Plain text of a number: the shortest form with at most `significantDigits`
// significant digits, "." as decimal point, a "0" before the point of values
// between -1 and 1 unless `leadingZero` is false, exponent form ("1.5E-07",
// "2E+15") outside 1E-5 <= |value| < 1E+15.
std::string plainNumber(double value, int significantDigits = 15, bool leadingZero = true);

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

// Limits of the line-by-line readers, far beyond what any file of the system
// holds (its longest lines, those of F2B.dat, have 4191 characters; its largest
// file, F2B.dat, about 5 MB). A file beyond them is refused instead of being
// read into memory without bound.
struct ReadLimits {
    std::size_t fileBytes = std::size_t{64} << 20;
    std::size_t lineCharacters = std::size_t{1} << 16;
};

// True when the text holds a control character (below 0x20, or 0x7F), which
// no name or number of the system's files holds.
bool hasControlCharacter(std::string_view text);

// Text from a file as a message quotes it: control characters written as \xNN
// and, beyond `maxCharacters`, cut with "..." so that a hostile line does not
// flood the console.
std::string shownText(std::string_view text, std::size_t maxCharacters = 80);

// The one way the console programs report a bad input: the file, the line (0
// when the whole file is meant) and what was expected.
class InputError : public std::runtime_error {
public:
    InputError(const std::string& file, int line, const std::string& what);
    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

// Reads a text file line by line, dropping LF / CR LF, and counts lines so that
// errors can name them.
class LineReader {
public:
    // Throws InputError when the file cannot be opened or is larger than
    // limits.fileBytes.
    explicit LineReader(const std::filesystem::path& path, ReadLimits limits = {});
    // Next line; throws InputError ("unexpected end of file") at the end, and
    // for a line longer than the limit.
    std::string_view next();
    // Next line, or nothing at the end of the file.
    std::optional<std::string_view> tryNext();
    int lineNumber() const { return line_; }
    const std::string& name() const { return name_; }
    // Throws InputError naming this file and the current line.
    [[noreturn]] void fail(const std::string& what) const;

    // Reads the next line against a format into floats; fails with a message
    // naming the line and column on a bad field.
    void readFloats(std::span<const FormatItem> format, std::span<float> out);
    // Reads the next line as a free-format number.
    float readFreeFloat();

private:
    std::string name_;
    ReadLimits limits_;
    std::string content_;
    std::size_t pos_ = 0;
    int line_ = 0;
};

// Whole file as lines (LF or CR LF dropped); nothing when it cannot be read or
// breaks the limits, and then `error` (when given) names the file and the line.
std::optional<std::vector<std::string>>
readLines(const std::filesystem::path& path, std::string* error = nullptr, ReadLimits limits = {});

// Writes `content` to a temporary file beside `path` and renames it into place,
// so readers see either the old file or the whole new one. Returns false and
// fills `error` (when given) on failure; the temporary file is then removed.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view content,
                     std::string* error = nullptr);

// The two steps of writeFileAtomic, for a writer that keeps its content when
// the file cannot be replaced yet. writeTemporaryBeside writes `content` to a
// new temporary file beside `path` and returns its path (nothing, with
// `error`, when it cannot be written; nothing is left then).
std::optional<std::filesystem::path> writeTemporaryBeside(const std::filesystem::path& path,
                                                          std::string_view content,
                                                          std::string* error = nullptr);
// Renames `temporary` to `path`, replacing it. A file that another program
// holds open cannot be replaced on Windows; the rename is tried again for
// about two seconds before it fails. On failure the temporary file stays.
bool replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& path,
                 std::string* error = nullptr);

// ---------------------------------------------------------------------------
// File names read from files, and text for the console
// ---------------------------------------------------------------------------

// The path of a file name read from an exchange file. The window program writes
// names in the machine's 8-bit code page: on Windows they are converted from
// it (nothing when the bytes are not text of that code page); elsewhere the
// bytes are the name.
std::optional<std::filesystem::path> pathFromNativeName(std::string_view name);

// A path's name as UTF-8, for messages.
std::string displayName(const std::filesystem::path& path);

// A name read from an exchange file as UTF-8, for messages (on Windows
// converted from the 8-bit code page; bytes that are not text shown as "?").
std::string displayNativeName(std::string_view name);

// Makes the console show the UTF-8 text the programs write (Windows: the
// console's output code page; elsewhere the terminal's own setting holds).
void useUtf8Console();

} // namespace textrec
