#include "merge.h"

#include "textrec/textrec.h"

#include <float_math.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace merger {

namespace {

constexpr float kMicro = 1.0E6f;
constexpr float kLogOfZero = -std::numeric_limits<float>::infinity();

// Fraction of the way from one engine point to the next at fine step L.
float stepFraction(int step) {
    return static_cast<float>(step) * 0.1f;
}

// (b - a)·t + a in single precision, with ln 0 standing for a zero engine
// value: the result is ln 0 whenever a zero has a weight above zero, so the
// zero never meets an infinity times 0. At t = 1 the zero a has weight 0 and b
// stands alone; at t = 0 the same holds for a zero b.
float interpolate(float a, float b, float t) {
    if (a == kLogOfZero)
        return t == 1.0f ? b : a;
    if (b == kLogOfZero)
        return t == 0.0f ? a : b;
    return (b - a) * t + a;
}

std::string describeField(int field) {
    int first = (field - 1) * kFieldWidth + 1;
    return "field " + std::to_string(field) + " (columns " + std::to_string(first) + "-" +
           std::to_string(first + kFieldWidth - 1) + ")";
}

void readMapLines(textrec::LineReader& in, EngineMap& map) {
    constexpr std::size_t lineWidth = kEngineColumns * kFieldWidth;
    for (int j = 1; j <= kEngineRows; ++j) {
        std::string_view line = in.next();
        if (line.size() < lineWidth)
            in.fail("expected " + std::to_string(kEngineColumns) + " fields of " +
                    std::to_string(kFieldWidth) + " characters, found a line of " +
                    std::to_string(line.size()) + " characters");
        for (int i = 1; i <= kEngineColumns; ++i) {
            std::string_view field =
                line.substr(static_cast<std::size_t>((i - 1) * kFieldWidth), kFieldWidth);
            float v = 0;
            if (!textrec::readRealField(field, 4, v))
                in.fail(describeField(i) + " is not a number: \"" + textrec::shownText(field) +
                        "\"");
            if (i >= kFirstMappedColumn) {
                if (v < 0)
                    in.fail(describeField(i) + " is negative: \"" + std::string(field) + "\"");
                if (!std::isfinite(v * kMicro))
                    in.fail(describeField(i) + " is too large: \"" + std::string(field) + "\"");
            }
            map.at(i, j) = v;
        }
    }
}

void appendLines(const FineMap& map, std::string& out) {
    for (int r = 1; r <= kFineRows; ++r) {
        for (int k = kFirstFineColumn; k <= kFineColumns; ++k)
            out += textrec::formatE(map.at(k, r), kFieldWidth, 4);
        out += textrec::kRecordEnd;
    }
}

} // namespace

ResultMaps readResultFile(const std::filesystem::path& resultFile) {
    textrec::LineReader in(resultFile);
    for (int n = 0; n < kHeaderLines; ++n)
        in.next();
    ResultMaps maps;
    readMapLines(in, maps.kerma);
    in.next(); // unit line of the second map
    readMapLines(in, maps.doseEquivalent);
    return maps;
}

FineMap resample(const EngineMap& map) {
    // Logarithms of the values in micro-units.
    EngineMap logs;
    for (int j = 1; j <= kEngineRows; ++j)
        for (int i = kFirstMappedColumn; i <= kEngineColumns; ++i) {
            float v = map.at(i, j);
            logs.at(i, j) = v == 0 ? kLogOfZero : quenro::floatmath::log(v * kMicro);
        }

    // First pass, along x: 61 rows of fine columns 21..401. The end of one
    // interval is written again as the start of the next; the later write stands.
    std::vector<float> rows(static_cast<std::size_t>(kFineColumns * kEngineRows));
    auto row = [&](int k, int j) -> float& {
        return rows[static_cast<std::size_t>((j - 1) * kFineColumns + k - 1)];
    };
    for (int j = 1; j <= kEngineRows; ++j)
        for (int i = kFirstMappedColumn; i < kEngineColumns; ++i)
            for (int step = 0; step <= 10; ++step) {
                int k = 10 * (i - 1) + step + 1;
                row(k, j) = interpolate(logs.at(i, j), logs.at(i + 1, j), stepFraction(step));
            }

    // Second pass, along c. Every fine column sees its writes in the same order
    // (J, then L) as a column-by-column sweep would, so the later write at the
    // interval ends is the same.
    FineMap fine;
    for (int j = 1; j < kEngineRows; ++j)
        for (int step = 0; step <= 10; ++step) {
            int r = 10 * (j - 1) + step + 1;
            float t = stepFraction(step);
            for (int k = kFirstFineColumn; k <= kFineColumns; ++k)
                fine.at(k, r) = interpolate(row(k, j), row(k, j + 1), t);
        }

    for (int r = 1; r <= kFineRows; ++r)
        for (int k = kFirstFineColumn; k <= kFineColumns; ++k)
            fine.at(k, r) = quenro::floatmath::exp(fine.at(k, r));
    return fine;
}

std::string formatMergedGrid(const FineMap& kerma, const FineMap& doseEquivalent) {
    std::string out;
    out.reserve(
        2 * kFineRows *
        (static_cast<std::size_t>(kWrittenColumns * kFieldWidth) + textrec::kRecordEnd.size()));
    appendLines(kerma, out);
    appendLines(doseEquivalent, out);
    return out;
}

int runMerge(const std::filesystem::path& folder, std::ostream& console, std::ostream& errors) {
    try {
        const std::string name =
            textrec::exchange::readMergeRequest(folder / textrec::exchange::mergeRequestFile);
        const std::optional<std::filesystem::path> resultName = textrec::pathFromNativeName(name);
        if (!resultName)
            throw textrec::InputError(textrec::exchange::mergeRequestFile, 1,
                                      "the result name \"" + textrec::displayNativeName(name) +
                                          "\" is not text of this computer's code page");
        ResultMaps maps = readResultFile(folder / *resultName);
        console << " ***\n";
        std::string text = formatMergedGrid(resample(maps.kerma), resample(maps.doseEquivalent));
        std::string error;
        if (!textrec::writeFileAtomic(folder / textrec::exchange::mergedGridFile, text, &error)) {
            errors << error << '\n';
            return 1;
        }
    } catch (const std::exception& e) {
        // InputError names the file and the line; anything else is a run-time failure.
        errors << e.what() << '\n';
        return 1;
    }
    console << "Stop - Program terminated.\n";
    return 0;
}

} // namespace merger
