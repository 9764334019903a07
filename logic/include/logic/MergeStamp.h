// What the viewer's merged grids belong to. Other programs share the working
// folder: a batch run merges its own result into "F2B.dat", and an engine run
// may write the chosen result file again. The viewer keeps the digests of the
// files of its last merge and compares them before it loads, draws or saves,
// so that it never shows a map that is not the merge of the chosen file.
#pragma once

#include <QByteArray>

#include <filesystem>
#include <optional>

namespace results {

// The digest of a file's content; nothing for a file that cannot be read.
std::optional<QByteArray> fileDigest(const std::filesystem::path& path);

struct MergeStamp {
    std::optional<QByteArray> result;      // the result file, when the merge started
    std::optional<QByteArray> uncertainty; // its uncertainty file, when the merge started
    std::optional<QByteArray> merged;      // "F2B.dat", when the merger had ended
};

// The digests of `resultFile` and of its uncertainty file, taken before the
// merger starts (a result written again during the merge then differs).
MergeStamp stampBeforeMerge(const std::filesystem::path& resultFile);
// Adds the digest of the merged file the merger left.
void stampMergedFile(MergeStamp& stamp, const std::filesystem::path& mergedFile);

enum class MergeChange {
    None,
    ResultRewritten,   // the result or its uncertainty file is not as merged
    MergedFileReplaced // "F2B.dat" is not the file the merger left
};

// What differs now from `stamp`; a rewritten result is told before a
// replaced merged file.
MergeChange changeSince(const MergeStamp& stamp, const std::filesystem::path& resultFile,
                        const std::filesystem::path& mergedFile);

} // namespace results
