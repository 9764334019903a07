// Paths of the window program's files from Qt's text: UTF-16 to the file
// system's own form (wide on Windows, UTF-8 elsewhere), never through the
// machine's 8-bit code page, which cannot hold every name.
#pragma once

#include <QString>

#include <filesystem>

namespace files {

std::filesystem::path toPath(const QString& name);
QString fromPath(const std::filesystem::path& path);

} // namespace files
