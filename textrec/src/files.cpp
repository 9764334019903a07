#include "textrec/textrec.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
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

LineReader::LineReader(const std::filesystem::path& path) : name_(path.filename().string()) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(name_, 0, "cannot open the file");
    std::ostringstream ss;
    ss << in.rdbuf();
    content_ = std::move(ss).str();
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
        fail("expected a number, found \"" + std::string(line) + "\"");
    return *v;
}

std::optional<std::vector<std::string>> readLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    if (in.bad())
        return std::nullopt;
    return lines;
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
