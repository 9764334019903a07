// The layout editor's reader of ".Room" files. A layout it accepts holds only
// finite numbers within +-100000 cm, and writes back as it was read.
#include "fuzz_support.h"

#include "logic/RoomFile.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("fuzz.Room");
    QString error;
    const auto layout = roomfile::load(file.write(data, size), error);
    if (!layout) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    for (float v : {layout->roomWidth,      layout->roomHeight,      layout->bedWidth,
                    layout->bedHeight,      layout->bedTop,          layout->bedLeft,
                    layout->phantomX,       layout->phantomY,        layout->windowWidth,
                    layout->windowHeight,   layout->windowLeft,      layout->windowTop,
                    layout->staffDoorWidth, layout->staffDoorHeight, layout->staffDoorLeft,
                    layout->staffDoorTop,   layout->entranceWidth,   layout->entranceHeight,
                    layout->entranceLeft,   layout->entranceTop,     layout->controlRoomX,
                    layout->controlRoomY,   layout->freeTextX,       layout->freeTextY})
        FUZZ_CHECK(std::isfinite(v) && std::fabs(v) <= 100000.0f);
    // What the editor read, it can save again.
    FUZZ_CHECK(roomfile::write(*layout, error).has_value());
    return 0;
}
