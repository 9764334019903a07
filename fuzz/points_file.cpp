// The reader of the points file kept beside a ".Room" file. The points it
// accepts have names of one line of text and positions of finite numbers
// within +-100000 cm, and write back to the very same points.
#include "fuzz_support.h"

#include "logic/NameText.h"
#include "logic/PointsFile.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("fuzz.Room.points");
    const std::filesystem::path points = file.write(data, size);
    std::filesystem::path roomFile = points;
    roomFile.replace_extension(); // "fuzz.Room"
    QString error;
    const auto read = pointsfile::load(roomFile, error);
    if (!read) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    for (const namedpoints::NamedPoint& p : *read) {
        FUZZ_CHECK(std::isfinite(p.x) && std::fabs(p.x) <= 100000);
        FUZZ_CHECK(std::isfinite(p.y) && std::fabs(p.y) <= 100000);
        FUZZ_CHECK(!p.name.trimmed().isEmpty());
        FUZZ_CHECK(!nametext::controlCharacter(p.name));
    }
    // What was read can be saved again, and reads back the same.
    const auto content = pointsfile::write(*read, error);
    FUZZ_CHECK(content.has_value());
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content->size();) {
        const std::size_t end = content->find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos);
        lines.push_back(content->substr(start, end - start));
        start = end + 2;
    }
    const auto again = pointsfile::parse(lines, QStringLiteral("fuzz.Room.points"), error);
    FUZZ_CHECK(again.has_value() && *again == *read);
    return 0;
}
