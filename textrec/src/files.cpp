#include "textrec/textrec.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include <chrono>
#include <thread>

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
    : name_(displayName(path.filename())), limits_(limits) {
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

std::optional<std::filesystem::path> writeTemporaryBeside(const std::filesystem::path& path,
                                                          std::string_view content,
                                                          std::string* error) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temp = path;
    temp += "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    auto report = [&](const std::string& what) -> std::optional<std::filesystem::path> {
        if (error)
            *error = displayName(path.filename()) + ": " + what;
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return std::nullopt;
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
    return temp;
}

bool replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& path,
                 std::string* error) {
    std::error_code ec;
    for (int attempt = 0;; ++attempt) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec)
            return true;
#ifdef _WIN32
        // A reader (a viewer, a spreadsheet) that holds the file open keeps it
        // from being replaced; most let go within moments.
        if (attempt < 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
#endif
        break;
    }
    if (error)
        *error = displayName(path.filename()) + ": cannot replace the file (" + ec.message() + ")";
    return false;
}

bool writeFileAtomic(const std::filesystem::path& path, std::string_view content,
                     std::string* error) {
    const std::optional<std::filesystem::path> temp = writeTemporaryBeside(path, content, error);
    if (!temp)
        return false;
    if (replaceFile(*temp, path, error))
        return true;
    std::error_code ec;
    std::filesystem::remove(*temp, ec);
    return false;
}

std::optional<std::filesystem::path> pathFromNativeName(std::string_view name) {
#ifdef _WIN32
    if (name.empty())
        return std::filesystem::path();
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(),
                                           static_cast<int>(name.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        wide.data(), length);
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(std::string(name));
#endif
}

std::string displayName(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string displayNativeName(std::string_view name) {
#ifdef _WIN32
    const int length =
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (length <= 0)
        return std::string(name);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return displayName(std::filesystem::path(wide));
#else
    return std::string(name);
#endif
}

void useUtf8Console() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

} // namespace textrec
