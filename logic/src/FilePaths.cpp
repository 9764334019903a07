#include "logic/FilePaths.h"

#include <QCoreApplication>
#include <QDir>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace files {

namespace fs = std::filesystem;

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString fromPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

namespace {

std::error_code lastError() {
    return std::error_code(errno, std::generic_category());
}

std::FILE* openForWriting(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

} // namespace

std::optional<WriteFailure> writeReplacing(const fs::path& path, const QByteArray& bytes) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::current_path();
    std::error_code ec;
    if (!fs::exists(folder, ec))
        return WriteFailure{folder, true,
                            std::make_error_code(std::errc::no_such_file_or_directory)};
    if (!fs::is_directory(folder, ec))
        return WriteFailure{folder, true, std::make_error_code(std::errc::not_a_directory)};

    static std::atomic<unsigned> counter{0};
    fs::path temporary = path;
    temporary += "." + std::to_string(QCoreApplication::applicationPid()) + "-" +
                 std::to_string(counter++) + ".tmp";
    errno = 0;
    std::FILE* out = openForWriting(temporary);
    if (!out)
        return WriteFailure{folder, true, lastError()};
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()),
                                     out) == static_cast<std::size_t>(bytes.size());
    std::error_code writeError = written ? std::error_code() : lastError();
    if (std::fclose(out) != 0 && !writeError)
        writeError = lastError();
    if (!written || writeError) {
        fs::remove(temporary, ec);
        return WriteFailure{folder, true,
                            writeError ? writeError : std::make_error_code(std::errc::io_error)};
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return WriteFailure{path, false, ec};
    }
    return std::nullopt;
}

QString reasonText(const std::error_code& reason) {
    const std::error_condition c = reason.default_error_condition();
    if (c == std::errc::no_such_file_or_directory)
        return QStringLiteral("フォルダがありません");
    if (c == std::errc::not_a_directory)
        return QStringLiteral("フォルダではありません");
    if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        return QStringLiteral("書き込みが許可されていません");
    if (c == std::errc::read_only_file_system)
        return QStringLiteral("読み取り専用です");
    if (c == std::errc::no_space_on_device)
        return QStringLiteral("空き容量が足りません");
#ifdef EDQUOT
    if (c.category() == std::generic_category() && c.value() == EDQUOT)
        return QStringLiteral("使用できる容量の上限に達しています");
#endif
    if (c == std::errc::is_a_directory)
        return QStringLiteral("同じ名前のフォルダがあります");
    if (c == std::errc::filename_too_long)
        return QStringLiteral("名前が長すぎます");
    return QString::fromStdString(reason.message());
}

QString failureText(const WriteFailure& failure) {
    const QString where = QDir::toNativeSeparators(fromPath(failure.where));
    return (failure.folder ? QStringLiteral("保存先のフォルダ「%1」: %2。")
                           : QStringLiteral("「%1」: %2。"))
        .arg(where, reasonText(failure.reason));
}

} // namespace files
