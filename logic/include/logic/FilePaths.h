// Paths of the window program's files from Qt's text: UTF-16 to the file
// system's own form (wide on Windows, UTF-8 elsewhere), never through the
// machine's 8-bit code page, which cannot hold every name. And the writing of
// a file the user named, with the reason in the user's words when it fails.
#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <optional>
#include <system_error>

namespace files {

std::filesystem::path toPath(const QString& name);
QString fromPath(const std::filesystem::path& path);

// Why a file could not be written: the folder that would not take it (a
// folder that is missing, not a folder, read-only or full), or else the file
// itself (a folder of that name stands there), and the system's reason.
struct WriteFailure {
    std::filesystem::path where;
    bool folder = true; // `where` is the folder; else the file
    std::error_code reason;
};

// Writes `bytes` to a temporary file beside `path` and renames it into place,
// so that a failed write leaves no file and no earlier file is cut short.
std::optional<WriteFailure> writeReplacing(const std::filesystem::path& path,
                                           const QByteArray& bytes);

// The system's reason in Japanese for the usual ones ("フォルダがありません",
// "書き込みが許可されていません" ...); the system's own text for the others.
QString reasonText(const std::error_code& reason);

// One line for a message: "保存先のフォルダ「/home/a/地図」: フォルダがありません。"
// or, for the file, "「/home/a/x.png」: 同じ名前のフォルダがあります。".
QString failureText(const WriteFailure& failure);

} // namespace files
