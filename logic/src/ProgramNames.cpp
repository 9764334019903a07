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
    return QStringLiteral("%1 (%2, %3)")
        .arg(program, QDir(workDir).absolutePath(), QCoreApplication::applicationDirPath());
}

} // namespace platform
