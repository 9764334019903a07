// The ".Room" file: number lines, code page 932 texts, the 28-line layout and
// the refusal of short or malformed files.
#include "layout/LayoutPlan.h"
#include "layout/RoomFile.h"

#include <textrec/textrec.h>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

Module1::RoomLayout sampleLayout() {
    Module1::RoomLayout r = layout::capture(layout::LayoutPlan{});
    r.bedTop = -6.886228f;
    r.phantomX = 0.5f;
    r.windowLeft = -0.25f;
    r.freeText = QStringLiteral("\"CT室, 東側");
    return r;
}

std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(content.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

TEST(NumberLine, PlainDecimalBetweenBlanks) {
    EXPECT_EQ(roomfile::numberLine(600), " 600 ");
    EXPECT_EQ(roomfile::numberLine(0), " 0 ");
    EXPECT_EQ(roomfile::numberLine(double(-6.886228f)), "-6.886228 ");
    EXPECT_EQ(roomfile::numberLine(30.5), " 30.5 ");
    EXPECT_EQ(roomfile::numberLine(0.5), " .5 ");
    EXPECT_EQ(roomfile::numberLine(-0.25), "-.25 ");
    EXPECT_EQ(roomfile::numberLine(double(194.3f)), " 194.3 ");
    EXPECT_EQ(roomfile::numberLine(1234.5678), " 1234.568 ");
}

TEST(CodePage932, ControlRoomTextBytes) {
    EXPECT_EQ(roomfile::encodeCp932(QStringLiteral("操作室")), "\x91\x80\x8D\xEC\x8E\xBA");
    EXPECT_EQ(roomfile::decodeCp932("\x91\x80\x8D\xEC\x8E\xBA"), QStringLiteral("操作室"));
    EXPECT_EQ(roomfile::encodeCp932(QStringLiteral("A,\"b ")), "A,\"b ");
    // A character the code page lacks does not spoil the rest.
    EXPECT_EQ(roomfile::encodeCp932(QStringLiteral("室😀1")), "\x8E\xBA?1");
}

TEST(RoomFileWrite, TwentyEightLinesInRecordOrder) {
    const std::string content = roomfile::write(sampleLayout());
    std::vector<std::string> lines = splitLines(content);
    ASSERT_EQ(lines.size(), 28u);
    const std::vector<std::string> expected = {" 600 ",
                                               " 600 ",
                                               " 0 ",
                                               " 0 ", // room
                                               " 200 ",
                                               " 90 ",
                                               "-6.886228 ",
                                               " 194 ", // bed: top before left
                                               " .5 ",
                                               " 250 ", // phantom centre
                                               " 189 ",
                                               " 29 ",
                                               "-.25 ",
                                               " 584 ", // viewing window
                                               " 101 ",
                                               " 23 ",
                                               " 51 ",
                                               " 586 ", // staff door
                                               " 180 ",
                                               " 20 ",
                                               " 22 ",
                                               "-7 ", // patient entrance
                                               "\x91\x80\x8D\xEC\x8E\xBA",
                                               " 252 ",
                                               " 669 ", // control-room text
                                               "\"CT\x8E\xBA, \x93\x8C\x91\xA4",
                                               " 640 ",
                                               " 554 "};
    EXPECT_EQ(lines, expected);
}

TEST(RoomFileRead, RoundTripKeepsEveryFieldAndTextsWhole) {
    QString error;
    const Module1::RoomLayout r = sampleLayout();
    std::optional<Module1::RoomLayout> back =
        roomfile::parse(splitLines(roomfile::write(r)), QStringLiteral("a.Room"), error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, r);

    Module1::RoomLayout empty = r;
    empty.freeText.clear();
    back = roomfile::parse(splitLines(roomfile::write(empty)), QStringLiteral("a.Room"), error);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->freeText.isEmpty());
}

TEST(RoomFileRead, AcceptsAnyPlainDecimalNumber) {
    std::vector<std::string> lines = splitLines(roomfile::write(sampleLayout()));
    lines[0] = "600.000";
    lines[1] = "\t0.5e3  ";
    lines[6] = "+12";
    lines[7] = "-0.75";
    QString error;
    std::optional<Module1::RoomLayout> r = roomfile::parse(lines, QStringLiteral("x"), error);
    ASSERT_TRUE(r) << error.toStdString();
    EXPECT_FLOAT_EQ(r->roomWidth, 600);
    EXPECT_FLOAT_EQ(r->roomHeight, 500);
    EXPECT_FLOAT_EQ(r->bedTop, 12);
    EXPECT_FLOAT_EQ(r->bedLeft, -0.75f);
}

TEST(RoomFileRead, ShortOrMalformedFilesAreRefusedNamingTheLine) {
    std::vector<std::string> lines = splitLines(roomfile::write(sampleLayout()));
    QString error;

    std::vector<std::string> shortFile(lines.begin(), lines.begin() + 27);
    EXPECT_FALSE(roomfile::parse(shortFile, QStringLiteral("s.Room"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("s.Room")));
    EXPECT_TRUE(error.contains(QStringLiteral("28")));

    for (std::size_t bad : {0u, 21u, 23u, 27u}) {
        for (const char* text : {"abc", "", "12 34", "1,5", "NaN"}) {
            std::vector<std::string> broken = lines;
            broken[bad] = text;
            error.clear();
            EXPECT_FALSE(roomfile::parse(broken, QStringLiteral("m.Room"), error))
                << bad << " " << text;
            EXPECT_TRUE(error.contains(QStringLiteral("%1 行目").arg(bad + 1)))
                << error.toStdString();
        }
    }
}

TEST(RoomFileDisk, SaveTwiceKeepsTheSecondAndMissingFileIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = roomfile::toPath(dir.filePath(QStringLiteral("室A.Room")));
    Module1::RoomLayout first = sampleLayout();
    Module1::RoomLayout second = first;
    second.roomWidth = 450;
    second.freeText = QStringLiteral("二回目");
    QString error;
    ASSERT_TRUE(roomfile::save(path, first, error));
    ASSERT_TRUE(roomfile::save(path, second, error));
    std::optional<Module1::RoomLayout> back = roomfile::load(path, error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, second);
    auto raw = textrec::readLines(path);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->size(), 28u);

    EXPECT_FALSE(
        roomfile::load(roomfile::toPath(dir.filePath(QStringLiteral("none.Room"))), error));
    EXPECT_TRUE(error.contains(QStringLiteral("none.Room")));
    EXPECT_FALSE(roomfile::save(roomfile::toPath(dir.filePath(QStringLiteral("no/such.Room"))),
                                first, error));
}
