#include "textrec/planes.h"

#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace textrec::planes {

namespace {

// Half the phantom's extent upwards: its thickness lying, its length standing.
constexpr double lyingHalfHeight = 10;    // cm
constexpr double standingHalfHeight = 30; // cm
constexpr double rowSpacing = 10;         // cm
constexpr double firstRow = -300;         // cm, c of row 1

constexpr std::string_view centreKey = "centre-height";
constexpr std::string_view heightsKey = "heights";
constexpr std::string_view sectionKey = "vertical-section";
constexpr std::string_view tubeKey = "tube";
constexpr std::string_view positionKey = "position";
constexpr std::string_view planeKey = "plane";

std::string number(double value) {
    return plainNumber(value, 15);
}

const char* positionWord(Position position) {
    return position == Position::Lying ? "lying" : "standing";
}

const char* tubeWord(Tube tube) {
    return tube == Tube::Above ? "above" : "below";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The blank- or tab-separated words of a line.
std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        const std::size_t begin = at;
        while (at < line.size() && !isBlank(line[at]))
            ++at;
        if (at > begin)
            words.push_back(line.substr(begin, at - begin));
    }
    return words;
}

// A word that is one finite number.
std::optional<double> numberWord(std::string_view word) {
    const std::optional<double> value = readWholeNumber(word);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// Keyed lines as both files hold them: each key once, at the line where it stands.
class KeyedLines {
public:
    explicit KeyedLines(LineReader& reader) : reader_(reader) {}

    // The next line that is not blank, split into words (the key first);
    // nothing at the end of the file.
    std::optional<std::vector<std::string_view>> next() {
        while (const std::optional<std::string_view> line = reader_.tryNext()) {
            std::vector<std::string_view> words = wordsOf(*line);
            if (!words.empty()) {
                line_ = *line;
                return words;
            }
        }
        return std::nullopt;
    }

    // Notes that `key` stands on the current line; refuses a second one.
    int take(std::string_view key, int& seenAt) const {
        if (seenAt > 0)
            reader_.fail(std::string(key) + " is given twice (first on line " +
                         std::to_string(seenAt) + ")");
        seenAt = reader_.lineNumber();
        return seenAt;
    }

    // The one word after the key, which must be one of `choices`.
    std::size_t choice(const std::vector<std::string_view>& words,
                       std::initializer_list<std::string_view> choices) const {
        std::size_t n = 0;
        for (std::string_view c : choices) {
            if (words.size() == 2 && words[1] == c)
                return n;
            ++n;
        }
        std::string expected;
        for (std::string_view c : choices)
            expected += (expected.empty() ? "\"" : " or \"") + std::string(c) + "\"";
        reader_.fail(std::string(words[0]) + " takes " + expected + ", found \"" +
                     shownText(line_) + "\"");
    }

    // The one number after the key.
    double oneNumber(const std::vector<std::string_view>& words, const char* what) const {
        std::optional<double> value;
        if (words.size() == 2)
            value = numberWord(words[1]);
        if (!value)
            reader_.fail(std::string(words[0]) + " takes " + what + ", found \"" +
                         shownText(line_) + "\"");
        return *value;
    }

    [[noreturn]] void failAt(int line, const std::string& what) const {
        throw InputError(reader_.name(), line, what);
    }

    std::string_view line() const { return line_; }
    LineReader& reader() const { return reader_; }

private:
    LineReader& reader_;
    std::string line_;
};

} // namespace

double minCentreHeight(Position position) {
    return position == Position::Lying ? lyingHalfHeight : standingHalfHeight;
}

bool asksForMore(const PlaneRequest& request) {
    return !request.heights.empty() || request.verticalSection || request.tube == Tube::Below;
}

std::string problemText(const Check& check, Position position) {
    const std::string cm = number(check.value) + " cm";
    switch (check.problem) {
    case Problem::None:
        return {};
    case Problem::NotANumber:
        return "a height that is not a number";
    case Problem::NotWhole:
        return "the height " + cm + " is not a whole number of centimetres";
    case Problem::CentreTooLow:
        return "the phantom centre " + cm +
               " above the floor puts the phantom below the floor: " + "it must be at least " +
               number(minCentreHeight(position)) + " cm";
    case Problem::CentreTooHigh:
        return "the phantom centre " + cm + " above the floor is higher than any room: at most " +
               number(maxCentreHeight) + " cm";
    case Problem::BelowFloor:
        return "the height " + cm + " lies below the floor";
    case Problem::TooFarFromCentre:
        return "the height " + cm + " lies more than " + number(maxPlaneDistance) +
               " cm from the phantom centre, beyond the map's rows";
    case Problem::TooManyHeights:
        return number(check.value) + " heights are asked; at most " + std::to_string(maxHeights) +
               " can be mapped";
    case Problem::RepeatedHeight:
        return "the height " + cm + " is asked twice";
    case Problem::TubeBelowStanding:
        return "the tube can be below the table only for the lying patient";
    case Problem::FocusBelowFloor:
        return "with the tube below the table the focus lies " + number(-check.value) +
               " cm below the floor (the centre height less 10 cm and the focus-skin distance)";
    case Problem::NameTooLong:
        return "the result file \"" + shownText(check.name) + "\" would have a name of " +
               number(check.value) + " characters; the merger reads at most " +
               std::to_string(exchange::resultNameLength) + ": shorten the result name";
    }
    return {};
}

Check checkCentreHeight(double centreHeight, Position position) {
    if (!std::isfinite(centreHeight))
        return {Problem::NotANumber, 0, {}};
    if (centreHeight != std::floor(centreHeight))
        return {Problem::NotWhole, centreHeight, {}};
    if (centreHeight < minCentreHeight(position))
        return {Problem::CentreTooLow, centreHeight, {}};
    if (centreHeight > maxCentreHeight)
        return {Problem::CentreTooHigh, centreHeight, {}};
    return {};
}

Check checkHeights(std::span<const double> heights, double centreHeight) {
    if (heights.size() > std::size_t(maxHeights))
        return {Problem::TooManyHeights, double(heights.size()), {}};
    for (std::size_t n = 0; n < heights.size(); ++n) {
        const double h = heights[n];
        if (!std::isfinite(h))
            return {Problem::NotANumber, 0, {}};
        if (h != std::floor(h))
            return {Problem::NotWhole, h, {}};
        if (h < 0)
            return {Problem::BelowFloor, h, {}};
        if (std::fabs(h - centreHeight) > maxPlaneDistance)
            return {Problem::TooFarFromCentre, h, {}};
        if (std::find(heights.begin(), heights.begin() + std::ptrdiff_t(n), h) !=
            heights.begin() + std::ptrdiff_t(n))
            return {Problem::RepeatedHeight, h, {}};
    }
    return {};
}

Check checkTube(Tube tube, Position position, double centreHeight, double focusSkinDistance) {
    if (tube == Tube::Above)
        return {};
    if (position != Position::Lying)
        return {Problem::TubeBelowStanding, 0, {}};
    const double focusHeight = centreHeight - lyingHalfHeight - focusSkinDistance;
    if (!(focusHeight >= 0))
        return {Problem::FocusBelowFloor, focusHeight, {}};
    return {};
}

Check checkResultNames(std::string_view resultName, const PlaneRequest& request) {
    const std::string longest = longestResultName(resultName, request);
    if (longest.size() > std::size_t(exchange::resultNameLength))
        return {Problem::NameTooLong, double(longest.size()), longest};
    return {};
}

Check checkRequest(const PlaneRequest& request, Position position, double focusSkinDistance,
                   std::string_view resultName) {
    for (const Check& check :
         {checkCentreHeight(request.centreHeight, position),
          checkHeights(request.heights, request.centreHeight),
          checkTube(request.tube, position, request.centreHeight, focusSkinDistance),
          checkResultNames(resultName, request)})
        if (!check.ok())
            return check;
    return {};
}

std::string jobFileLines(const PlaneRequest& request) {
    if (!asksForMore(request))
        return {};
    std::string text;
    auto record = [&text](const std::string& line) {
        text += line;
        text += kRecordEnd;
    };
    record(std::string(centreKey) + " " + number(request.centreHeight));
    std::string heights(heightsKey);
    for (double h : request.heights)
        heights += " " + number(h);
    record(heights);
    record(std::string(sectionKey) + (request.verticalSection ? " yes" : " no"));
    record(std::string(tubeKey) + " " + tubeWord(request.tube));
    return text;
}

std::optional<PlaneRequest> readJobFileLines(LineReader& reader, const JobContext& job) {
    KeyedLines lines(reader);
    PlaneRequest request;
    int centreLine = 0, heightsLine = 0, sectionLine = 0, tubeLine = 0;
    while (const auto words = lines.next()) {
        const std::string_view key = words->front();
        if (key == centreKey) {
            lines.take(key, centreLine);
            request.centreHeight = lines.oneNumber(*words, "one number of centimetres");
        } else if (key == heightsKey) {
            lines.take(key, heightsLine);
            for (std::size_t n = 1; n < words->size(); ++n) {
                const std::optional<double> h = numberWord((*words)[n]);
                if (!h)
                    reader.fail("heights takes numbers of centimetres separated by blanks, "
                                "found \"" +
                                shownText((*words)[n]) + "\"");
                request.heights.push_back(*h);
            }
        } else if (key == sectionKey) {
            lines.take(key, sectionLine);
            request.verticalSection = lines.choice(*words, {"yes", "no"}) == 0;
        } else if (key == tubeKey) {
            lines.take(key, tubeLine);
            request.tube =
                lines.choice(*words, {"above", "below"}) == 0 ? Tube::Above : Tube::Below;
        } else {
            reader.fail("\"" + shownText(lines.line()) + "\" is no line of a job: after line 6 " +
                        "come only " + std::string(centreKey) + ", " + std::string(heightsKey) +
                        ", " + std::string(sectionKey) + " and " + std::string(tubeKey));
        }
    }
    int firstLine = 0;
    for (int line : {centreLine, heightsLine, sectionLine, tubeLine})
        if (line > 0 && (firstLine == 0 || line < firstLine))
            firstLine = line;
    if (firstLine == 0)
        return std::nullopt;
    if (centreLine == 0)
        lines.failAt(firstLine, "the planes to map need the phantom centre's height above the "
                                "floor: a line \"" +
                                    std::string(centreKey) + " <cm>\"");

    const Position position = job.position;
    if (const Check c = checkCentreHeight(request.centreHeight, position); !c.ok())
        lines.failAt(centreLine, problemText(c, position));
    if (const Check c = checkHeights(request.heights, request.centreHeight); !c.ok())
        lines.failAt(heightsLine, problemText(c, position));
    if (const Check c =
            checkTube(request.tube, position, request.centreHeight, job.focusSkinDistance);
        !c.ok())
        lines.failAt(tubeLine, problemText(c, position));
    if (const Check c = checkResultNames(job.resultName, request); !c.ok()) {
        // The line of the map whose name is too long.
        const bool section =
            c.name == planeResultName(job.resultName, exchange::verticalSectionSuffix);
        lines.failAt(section && sectionLine > 0 ? sectionLine : heightsLine,
                     problemText(c, position) + " on line 6");
    }
    return request;
}

std::vector<ExtraPlane> extraPlanes(const PlaneRequest& request) {
    std::vector<ExtraPlane> planes;
    for (double h : request.heights) {
        if (h == request.centreHeight)
            continue;
        planes.push_back({PlaneKind::Horizontal, h, exchange::heightSuffix + number(h)});
    }
    if (request.verticalSection)
        planes.push_back({PlaneKind::VerticalSection, 0, exchange::verticalSectionSuffix});
    return planes;
}

std::string planeResultName(std::string_view resultName, std::string_view suffix) {
    const std::string_view extension = exchange::resultExtension;
    std::string name(resultName);
    if (resultName.size() >= extension.size() && resultName.ends_with(extension))
        name.insert(resultName.size() - extension.size(), suffix);
    else
        name += suffix;
    return name;
}

std::string longestResultName(std::string_view resultName, const PlaneRequest& request) {
    std::string longest(resultName);
    for (const ExtraPlane& plane : extraPlanes(request)) {
        std::string name = planeResultName(resultName, plane.suffix);
        if (name.size() > longest.size())
            longest = std::move(name);
    }
    return longest;
}

PlaneRecord writtenPlaneRecord(const PlaneRequest& request, Position position) {
    PlaneRecord record;
    record.position = position;
    record.tube = request.tube;
    record.centreHeight = request.centreHeight;
    record.kind = PlaneKind::Horizontal;
    record.height = request.centreHeight;
    return record;
}

PlaneRecord extraPlaneRecord(const PlaneRequest& request, Position position,
                             const ExtraPlane& plane) {
    PlaneRecord record = writtenPlaneRecord(request, position);
    record.kind = plane.kind;
    record.height = plane.kind == PlaneKind::Horizontal ? plane.height : request.centreHeight;
    return record;
}

std::filesystem::path planeRecordPath(const std::filesystem::path& resultFile) {
    std::filesystem::path path = resultFile;
    path += exchange::planeRecordSuffix;
    return path;
}

std::string planeRecordText(const PlaneRecord& record) {
    std::string text;
    auto line = [&text](std::string_view key, const std::string& value) {
        text += key;
        text += ' ';
        text += value;
        text += kRecordEnd;
    };
    line(positionKey, positionWord(record.position));
    line(tubeKey, tubeWord(record.tube));
    line(centreKey, number(record.centreHeight));
    line(planeKey, record.kind == PlaneKind::Horizontal ? "horizontal " + number(record.height)
                                                        : std::string(sectionKey));
    return text;
}

PlaneRecord readPlaneRecord(const std::filesystem::path& path) {
    LineReader reader(path);
    KeyedLines lines(reader);
    PlaneRecord record;
    int positionLine = 0, tubeLine = 0, centreLine = 0, planeLine = 0;
    while (const auto words = lines.next()) {
        const std::string_view key = words->front();
        if (key == positionKey) {
            lines.take(key, positionLine);
            record.position = lines.choice(*words, {"lying", "standing"}) == 0 ? Position::Lying
                                                                               : Position::Standing;
        } else if (key == tubeKey) {
            lines.take(key, tubeLine);
            record.tube = lines.choice(*words, {"above", "below"}) == 0 ? Tube::Above : Tube::Below;
        } else if (key == centreKey) {
            lines.take(key, centreLine);
            record.centreHeight = lines.oneNumber(*words, "one number of centimetres");
        } else if (key == planeKey) {
            lines.take(key, planeLine);
            std::optional<double> height;
            if (words->size() == 3 && (*words)[1] == "horizontal")
                height = numberWord((*words)[2]);
            if (height) {
                record.kind = PlaneKind::Horizontal;
                record.height = *height;
            } else if (words->size() == 2 && (*words)[1] == sectionKey) {
                record.kind = PlaneKind::VerticalSection;
            } else {
                reader.fail("plane takes \"horizontal <cm>\" or \"" + std::string(sectionKey) +
                            "\", found \"" + shownText(lines.line()) + "\"");
            }
        } else {
            reader.fail("\"" + shownText(lines.line()) + "\" is no line of a plane record");
        }
    }
    for (const auto& [line, key] : {std::pair{positionLine, positionKey},
                                    {tubeLine, tubeKey},
                                    {centreLine, centreKey},
                                    {planeLine, planeKey}})
        if (line == 0)
            lines.failAt(0, "no line \"" + std::string(key) + "\"");
    const Position position = record.position;
    if (const Check c = checkCentreHeight(record.centreHeight, position); !c.ok())
        lines.failAt(centreLine, problemText(c, position));
    if (record.kind == PlaneKind::Horizontal) {
        const double heights[] = {record.height};
        if (const Check c = checkHeights(heights, record.centreHeight); !c.ok())
            lines.failAt(planeLine, problemText(c, position));
    }
    if (record.tube == Tube::Below && position != Position::Lying)
        lines.failAt(tubeLine, problemText({Problem::TubeBelowStanding, 0, {}}, position));
    return record;
}

std::optional<PlaneRecord> readPlaneRecordBeside(const std::filesystem::path& resultFile) {
    const std::filesystem::path path = planeRecordPath(resultFile);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return std::nullopt;
    return readPlaneRecord(path);
}

bool copyPlaneRecord(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error) {
    std::optional<PlaneRecord> record;
    try {
        record = readPlaneRecordBeside(from);
    } catch (const InputError& e) {
        if (error)
            *error = e.what();
        return false;
    }
    const std::filesystem::path target = planeRecordPath(to);
    if (record)
        return writeFileAtomic(target, planeRecordText(*record), error);
    std::error_code removeError;
    std::filesystem::remove(target, removeError);
    if (removeError) {
        if (error)
            *error = displayName(target) + ": cannot remove it: " + removeError.message();
        return false;
    }
    return true;
}

double sectionRowHeight(const PlaneRecord& record, int row) {
    const double c = rowSpacing * double(row - 1) + firstRow;
    return record.position == Position::Lying ? record.centreHeight - c : record.centreHeight + c;
}

} // namespace textrec::planes
