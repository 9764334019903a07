// The reader of the marks kept beside a ".Room" file (the elements left out of
// the drawing). What it accepts, it writes back as marks that read the same.
#include "fuzz_support.h"

#include "logic/RoomFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("fuzz.Room.absent");
    const std::filesystem::path room = file.write(data, size).parent_path() / "fuzz.Room";
    QString error;
    const auto absent = roomfile::loadAbsentMarks(room, error);
    if (!absent) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const std::string written = roomfile::writeAbsentMarks(*absent);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < written.size();) {
        const std::size_t end = written.find("\r\n", start);
        lines.push_back(written.substr(start, end - start));
        start = end + 2;
    }
    const auto again = roomfile::parseAbsentMarks(lines, QStringLiteral("fuzz.Room.absent"), error);
    FUZZ_CHECK(again && *again == *absent);
    return 0;
}
