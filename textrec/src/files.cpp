#include "textrec/textrec.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace textrec {

InputError::InputError(const std::string& file, int line, const std::string& what)
    : std::runtime_error(file + (line > 0 ? ", line " + std::to_string(line) : std::string()) +
                         ": " + what),
      file_(file), line_(line) {}

bool hasControlCharacter(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

std::string shownText(std::string_view text, std::size_t maxCharacters) {
    const bool cut = text.size() > maxCharacters;
    if (cut)
        text = text.substr(0, maxCharacters);
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char hex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    if (cut)
        shown += "...";
    return shown;
}

LineReader::LineReader(const std::filesystem::path& path, ReadLimits limits)
    : name_(path.filename().string()), limits_(limits) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw InputError(name_, 0, "cannot open the file (it is a folder)");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(name_, 0, "cannot open the file");
    // Read in pieces, so that a huge file is refused before it is all in memory.
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content_.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (content_.size() > limits_.fileBytes)
            throw InputError(name_, 0,
                             "the file is longer than " + std::to_string(limits_.fileBytes) +
                                 " bytes, more than any file of its kind holds");
    }
    if (in.bad())
        throw InputError(name_, 0, "cannot read the file");
}

std::optional<std::string_view> LineReader::tryNext() {
    if (pos_ >= content_.size())
        return std::nullopt;
    std::size_t end = content_.find('\n', pos_);
    std::size_t next = end == std::string::npos ? content_.size() : end + 1;
    if (end == std::string::npos)
        end = content_.size();
    std::string_view line(content_.data() + pos_, end - pos_);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    pos_ = next;
    ++line_;
    if (line.size() > limits_.lineCharacters)
        fail("the line is longer than " + std::to_string(limits_.lineCharacters) +
             " characters, more than any line of this file holds");
    return line;
}

std::string_view LineReader::next() {
    auto line = tryNext();
    if (!line)
        throw InputError(name_, line_ + 1, "unexpected end of file");
    return *line;
}

void LineReader::fail(const std::string& what) const {
    throw InputError(name_, line_, what);
}

void LineReader::readFloats(std::span<const FormatItem> format, std::span<float> out) {
    std::string_view line = next();
    int column = 0;
    if (!readRecordFloats(line, format, out, &column)) {
        RecordValues r = readRecord(line, format);
        fail(r.ok ? "expected a number at column " + std::to_string(column) : r.error);
    }
}

float LineReader::readFreeFloat() {
    std::string_view line = next();
    auto v = readFreeNumberFloat(line);
    if (!v)
        fail("expected a number, found \"" + shownText(line) + "\"");
    return *v;
}

std::optional<std::vector<std::string>> readLines(const std::filesystem::path& path,
                                                  std::string* error, ReadLimits limits) {
    try {
        LineReader reader(path, limits);
        std::vector<std::string> lines;
        while (auto line = reader.tryNext())
            lines.emplace_back(*line);
        return lines;
    } catch (const InputError& e) {
        if (error)
            *error = e.what();
        return std::nullopt;
    }
}

bool writeFileAtomic(const std::filesystem::path& path, std::string_view content,
                     std::string* error) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temp = path;
    temp += "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    auto report = [&](const std::string& what) {
        if (error)
            *error = path.filename().string() + ": " + what;
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return false;
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return report("cannot create the file");
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out)
            return report("cannot write the file");
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec)
        return report("cannot replace the file (" + ec.message() + ")");
    return true;
}

} // namespace textrec
