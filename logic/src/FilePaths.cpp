#include "logic/FilePaths.h"

namespace files {

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString fromPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

} // namespace files
