#include "logic/ProgramNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

std::string platformProgramName(std::string_view windowsName) {
#ifdef _WIN32
    return std::string(windowsName);
#else
    constexpr std::string_view exe = ".exe";
    if (windowsName.size() > exe.size() && windowsName.ends_with(exe))
        windowsName.remove_suffix(exe.size());
    return std::string(windowsName);
#endif
}

QString locateProgram(const QString& program, const QString& workDir) {
    QFileInfo inWork(QDir(workDir).filePath(program));
    if (inWork.isFile() && inWork.isExecutable())
        return inWork.absoluteFilePath();
    QFileInfo besideUs(QDir(QCoreApplication::applicationDirPath()).filePath(program));
    if (besideUs.isFile() && besideUs.isExecutable())
        return besideUs.absoluteFilePath();
    return {};
}

QString notFoundIn(const QString& program, const QString& workDir) {
    const QString work = QDir(workDir).absolutePath();
    const QString ours = QCoreApplication::applicationDirPath();
    // Started in its own folder, the program was looked for in one folder only.
    // (QFileInfo compares where the folders are, in the file system's case rules.)
    if (QFileInfo(work) == QFileInfo(ours))
        return QStringLiteral("%1 (%2)").arg(program, QDir::toNativeSeparators(work));
    return QStringLiteral("%1 (%2, %3)")
        .arg(program, QDir::toNativeSeparators(work), QDir::toNativeSeparators(ours));
}

} // namespace platform
