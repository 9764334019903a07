#include "OutputFiles.h"

#include "logic/FilePaths.h"
#include "logic/ProgramNames.h"
#include "logic/RoomFile.h"
#include "logic/Uncertainty.h"
#include "textrec/exchange_files.h"
#include "textrec/planes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>
#include <vector>

namespace batch {

namespace fs = std::filesystem;
namespace exchange = textrec::exchange;

namespace {

fs::path absolutePath(const QString& file) {
    return files::toPath(QFileInfo(file).absoluteFilePath());
}

bool existsAt(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Whether the file system of `folder` ignores case: another case of the name
// of something in it names that same thing. An empty folder is judged by its
// platform's usual file systems.
bool foldsCase(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString other = name.toUpper() != name ? name.toUpper() : name.toLower();
        if (other == name)
            continue;
        std::error_code ec;
        return fs::equivalent(absolutePath(dir.filePath(name)), absolutePath(dir.filePath(other)),
                              ec);
    }
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    return false;
#endif
}

// The name of the file that `file` leads to: a link's target, the name as the
// file system spells it.
QString resolvedName(const QString& file) {
    const QFileInfo info(file);
    return info.exists() ? QFileInfo(info.canonicalFilePath()).fileName() : info.fileName();
}

// The kinds of file the user keeps in any folder, known by their extension,
// each with the files the system keeps beside one of them.
struct KeptKind {
    QStringList extensions;
    std::function<QStringList(const QString& file)> beside;
    const char* kind;       // "結果ファイル"
    const char* besideKind; // with the file's name
};

const std::vector<KeptKind>& keptKinds() {
    static const std::vector<KeptKind> kinds = {
        {{QLatin1String(exchange::resultExtension), QLatin1String(exchange::correctedExtension)},
         filesKeptBesideResult,
         "結果ファイル",
         "結果ファイル「%1」とともに保存されるファイル"},
        {{roomfile::kExtension},
         [](const QString& room) {
             QStringList names;
             for (const fs::path& path : roomfile::companionFiles(files::toPath(room)))
                 names << files::fromPath(path);
             return names;
         },
         "部屋レイアウトファイル",
         "部屋レイアウト「%1」とともに保存されるファイル"},
    };
    return kinds;
}

bool hasExtension(const QString& name, const QStringList& extensions) {
    for (const QString& extension : extensions)
        if (name.endsWith(extension, Qt::CaseInsensitive))
            return true;
    return false;
}

// A result or a layout, or a file kept beside one: by the name alone, so that
// an output never takes the place of such a file anywhere.
QString keptKindOf(const QString& name) {
    for (const KeptKind& k : keptKinds()) {
        if (hasExtension(name, k.extensions))
            return QString::fromUtf8(k.kind);
        for (qsizetype length = 1; length < name.size(); ++length) {
            const QString owner = name.left(length);
            if (!hasExtension(owner, k.extensions))
                continue;
            for (const QString& beside : k.beside(owner))
                if (beside.compare(name, Qt::CaseInsensitive) == 0)
                    return QString::fromUtf8(k.besideKind).arg(owner);
        }
    }
    return {};
}

// The files of fixed names that the system reads or writes: those of the
// working folder, the programs there and beside scatter-map, and the layout
// that the run reads with the files kept beside it, and its points file.
std::vector<std::pair<QString, QString>>
namedFiles(const QString& workFolder, const QString& roomFile, const QString& pointsFile) {
    const QDir work(workFolder);
    std::vector<std::pair<QString, QString>> named;
    for (const char* name : {exchange::jobFile, exchange::spectrumFile, exchange::oldJobFile,
                             exchange::mergeRequestFile, exchange::mergedGridFile})
        named.emplace_back(work.filePath(QLatin1String(name)),
                           QStringLiteral("交換ファイル「%1」").arg(QLatin1String(name)));
    for (const char* name :
         {exchange::crossSectionFile, exchange::airAbsorptionFile, exchange::kermaToDoseFile,
          exchange::tungstenFile, exchange::aluminiumFile, exchange::copperFile,
          exchange::outputSurveyFile})
        named.emplace_back(work.filePath(QLatin1String(name)),
                           QStringLiteral("物理データファイル「%1」").arg(QLatin1String(name)));
    named.emplace_back(work.filePath(QLatin1String(kLockFile)),
                       QStringLiteral("ロックファイル「%1」").arg(QLatin1String(kLockFile)));
    for (const QString& folder : {work.absolutePath(), QCoreApplication::applicationDirPath()})
        for (const char* program : {"Dorvalis-3.exe", "Quenro-11.exe", "Quenro-22.exe",
                                    "quenro-3.exe", "scatter-map.exe", "spectrum-model.exe"}) {
            const QString name = QString::fromStdString(platform::platformProgramName(program));
            named.emplace_back(QDir(folder).filePath(name),
                               QStringLiteral("プログラム「%1」").arg(name));
        }
    if (!roomFile.isEmpty()) {
        const QString room = work.filePath(roomFile);
        named.emplace_back(room, QStringLiteral("--room の部屋レイアウト"));
        for (const fs::path& beside : roomfile::companionFiles(files::toPath(room)))
            named.emplace_back(files::fromPath(beside),
                               QStringLiteral("--room の部屋レイアウトとともに保存されるファイル"));
    }
    if (!pointsFile.isEmpty())
        named.emplace_back(work.filePath(pointsFile), QStringLiteral("--points の測定点ファイル"));
    return named;
}

} // namespace

bool sameFile(const QString& a, const QString& b) {
    const fs::path pathA = absolutePath(a);
    const fs::path pathB = absolutePath(b);
    std::error_code ec;
    const bool aExists = existsAt(pathA);
    const bool bExists = existsAt(pathB);
    if (aExists || bExists)
        return aExists && bExists && fs::equivalent(pathA, pathB, ec);
    // Neither exists yet: one name in one folder.
    if (!fs::equivalent(pathA.parent_path(), pathB.parent_path(), ec))
        return false;
    const QString nameA = QFileInfo(a).fileName();
    const QString nameB = QFileInfo(b).fileName();
    return nameA == nameB || (nameA.compare(nameB, Qt::CaseInsensitive) == 0 &&
                              foldsCase(QFileInfo(a).absolutePath()));
}

QStringList filesKeptBesideResult(const QString& resultFile) {
    const std::filesystem::path result = files::toPath(resultFile);
    return {files::fromPath(results::uncertaintyFileOf(result)),
            files::fromPath(textrec::planes::planeRecordPath(result))};
}

QString systemFileAt(const QString& file, const QString& workFolder, const QString& roomFile,
                     const QString& pointsFile) {
    if (QString kind = keptKindOf(resolvedName(file)); !kind.isEmpty())
        return kind;
    for (const auto& [path, kind] : namedFiles(workFolder, roomFile, pointsFile))
        if (sameFile(file, path))
            return kind;
    return {};
}

QString cannotCreate(const QString& file) {
    // Named as the text-record library names the temporary file of a write
    // ("<file>.<process id>-<n>.tmp"), so that a name too long shows too.
    QFile probe(QFileInfo(file).absoluteFilePath() +
                QStringLiteral(".%1-p.tmp").arg(QCoreApplication::applicationPid()));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return probe.errorString();
    probe.close();
    probe.remove();
    return {};
}

} // namespace batch
