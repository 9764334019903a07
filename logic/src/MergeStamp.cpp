#include "logic/MergeStamp.h"

#include "logic/FilePaths.h"
#include "logic/Uncertainty.h"

#include <QCryptographicHash>
#include <QFile>

namespace results {

std::optional<QByteArray> fileDigest(const std::filesystem::path& path) {
    QFile file(files::fromPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result();
}

MergeStamp stampBeforeMerge(const std::filesystem::path& resultFile) {
    MergeStamp stamp;
    stamp.result = fileDigest(resultFile);
    stamp.uncertainty = fileDigest(uncertaintyFileOf(resultFile));
    return stamp;
}

void stampMergedFile(MergeStamp& stamp, const std::filesystem::path& mergedFile) {
    stamp.merged = fileDigest(mergedFile);
}

MergeChange changeSince(const MergeStamp& stamp, const std::filesystem::path& resultFile,
                        const std::filesystem::path& mergedFile) {
    if (fileDigest(resultFile) != stamp.result ||
        fileDigest(uncertaintyFileOf(resultFile)) != stamp.uncertainty)
        return MergeChange::ResultRewritten;
    if (fileDigest(mergedFile) != stamp.merged)
        return MergeChange::MergedFileReplaced;
    return MergeChange::None;
}

} // namespace results
