// The ".Room" file: number lines, code page 932 texts, the 28-line layout and
// the refusal of short or malformed files.
#include "logic/FilePaths.h"
#include "logic/LayoutPlan.h"
#include "logic/RoomFile.h"

#include "TempFolderTest.h"

#include <textrec/textrec.h>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <utility>

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

std::string writeOk(const Module1::RoomLayout& r) {
    QString error;
    std::optional<std::string> content = roomfile::write(r, error);
    EXPECT_TRUE(content) << error.toStdString();
    return content.value_or(std::string());
}

TEST(CodePage932, ControlRoomTextBytes) {
    QString error;
    EXPECT_EQ(roomfile::encodeCp932(QStringLiteral("操作室"), error), "\x91\x80\x8D\xEC\x8E\xBA");
    EXPECT_EQ(roomfile::decodeCp932("\x91\x80\x8D\xEC\x8E\xBA"), QStringLiteral("操作室"));
    EXPECT_FALSE(roomfile::decodeCp932("\x91"));
    EXPECT_EQ(roomfile::encodeCp932(QStringLiteral("A,\"b "), error), "A,\"b ");
}

// What input methods on Linux type is written as code page 932's look-alike;
// what the code page cannot hold at all refuses the text, naming the
// character, instead of turning it into "?".
TEST(CodePage932, LookAlikesAreMappedAndMissingCharactersRefused) {
    struct Case {
        const char* typed;
        const char* bytes; // nullptr: refused
        const char* named;
    };
    const Case cases[] = {
        {"9〜17時",
         "9\x81\x60"
         "17\x8E\x9E",
         nullptr}, // U+301C wave dash
        {"−5",
         "\x81\x7C"
         "5",
         nullptr}, // U+2212 minus sign
        {"A‖B",
         "A\x81\x61"
         "B",
         nullptr},                                      // U+2016
        {"¢£¬", "\x81\x91\x81\x92\x81\xCA", nullptr},   // cent, pound, not
        {"—", "\x81\x5C", nullptr},                     // U+2014 em dash
        {"～－∥", "\x81\x60\x81\x7C\x81\x61", nullptr}, // already the code page's
        {"室😀1", nullptr, "「😀」（U+1F600）"},
        {"Ω≠é", nullptr, "「é」（U+00E9）"},
    };
    for (const Case& c : cases) {
        QString error;
        std::optional<std::string> bytes = roomfile::encodeCp932(QString::fromUtf8(c.typed), error);
        if (c.bytes) {
            EXPECT_EQ(bytes, std::optional<std::string>(c.bytes)) << c.typed;
        } else {
            EXPECT_FALSE(bytes) << c.typed;
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.named))) << error.toStdString();
        }
    }
    // Without the codec nothing is written, and the message says why.
    QString error;
    EXPECT_FALSE(roomfile::encodeCp932(QStringLiteral("操作室"), error, "no-such-codec"));
    EXPECT_TRUE(error.contains(QStringLiteral("コードページ 932"))) << error.toStdString();
}

TEST(RoomFileWrite, TwentyEightLinesInRecordOrder) {
    const std::string content = writeOk(sampleLayout());
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
        roomfile::parse(splitLines(writeOk(r)), QStringLiteral("a.Room"), error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, r);

    Module1::RoomLayout empty = r;
    empty.freeText.clear();
    back = roomfile::parse(splitLines(writeOk(empty)), QStringLiteral("a.Room"), error);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->freeText.isEmpty());
}

TEST(RoomFileRead, AcceptsAnyPlainDecimalNumber) {
    std::vector<std::string> lines = splitLines(writeOk(sampleLayout()));
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
    std::vector<std::string> lines = splitLines(writeOk(sampleLayout()));
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
    // Text lines: bytes that are not code page 932 text, or a control character.
    for (std::size_t bad : {22u, 25u}) {
        for (const char* text : {"\x81", "\x82\x7f", "\xff\xfe", "a\tb", "a\x01"}) {
            std::vector<std::string> broken = lines;
            broken[bad] = text;
            error.clear();
            EXPECT_FALSE(roomfile::parse(broken, QStringLiteral("t.Room"), error)) << bad;
            EXPECT_TRUE(error.contains(QStringLiteral("%1 行目").arg(bad + 1)))
                << error.toStdString();
        }
    }
}

// A number beyond 100000 cm either way, or not finite, is refused by the reader
// naming the file and the line, and never written: before, 1e20 read as
// -2147483648 and 1e39 as an infinite width saved as " Infinity ".
TEST(RoomFileRead, NumbersBeyondTheLimitAreRefusedAndNeverWritten) {
    const std::vector<std::string> lines = splitLines(writeOk(sampleLayout()));
    struct Case {
        std::size_t line; // 0-based
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {2, " 1e20 ", false}, {0, " 1e39 ", false},  {7, "100000.1", false},
        {27, "-2e5", false},  {0, " 100000 ", true}, {8, "-100000", true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> changed = lines;
        changed[c.line] = c.text;
        QString error;
        EXPECT_EQ(bool(roomfile::parse(changed, QStringLiteral("big.Room"), error)), c.accepted)
            << c.text;
        if (!c.accepted) {
            EXPECT_TRUE(error.contains(QStringLiteral("big.Room")));
            EXPECT_TRUE(error.contains(QStringLiteral("%1 行目").arg(c.line + 1)))
                << error.toStdString();
        }
    }

    const std::pair<float Module1::RoomLayout::*, float> refused[] = {
        {&Module1::RoomLayout::bedLeft, 1e20f},
        {&Module1::RoomLayout::roomWidth, std::numeric_limits<float>::infinity()},
        {&Module1::RoomLayout::phantomX, std::numeric_limits<float>::quiet_NaN()},
        {&Module1::RoomLayout::entranceTop, -100000.5f},
    };
    for (auto [field, value] : refused) {
        Module1::RoomLayout r = sampleLayout();
        r.*field = value;
        QString error;
        EXPECT_FALSE(roomfile::write(r, error)) << value;
        EXPECT_TRUE(error.contains(QStringLiteral("範囲外"))) << error.toStdString();
    }
}

TEST(RoomFileDisk, SaveTwiceKeepsTheSecondAndMissingFileIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = files::toPath(dir.filePath(QStringLiteral("室A.Room")));
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

    EXPECT_FALSE(roomfile::load(files::toPath(dir.filePath(QStringLiteral("none.Room"))), error));
    EXPECT_TRUE(error.contains(QStringLiteral("none.Room")));
    EXPECT_FALSE(
        roomfile::save(files::toPath(dir.filePath(QStringLiteral("no/such.Room"))), first, error));
}

namespace {

class AbsentMarks : public testsupport::TempFolderTest {};

} // namespace

// The marks beside a layout: what the editor writes reads back; a missing
// file leaves nothing out; anything else than the keywords refuses the whole
// layout, naming the marks file and the line, rather than drawing elements the
// user left out.
TEST_F(AbsentMarks, ReadBackOrRefusedWithTheLayout) {
    using Module1::AbsentElements;
    struct Case {
        const char* what;
        const char* content; // nullptr: no marks file
        std::optional<AbsentElements> read;
        int refusedLine; // of the marks file, when refused
    };
    const AbsentElements none;
    const AbsentElements all{true, true, true, true, true};
    const Case cases[] = {
        {"no marks file", nullptr, none, 0},
        {"empty", "", none, 0},
        {"as written", "viewing-window\r\nfree-text\r\n",
         AbsentElements{.viewingWindow = true, .freeText = true}, 0},
        {"any order, blanks, blank lines, LF",
         "\n  control-room-text\t\npatient-entrance\nstaff-door \r\n\r\nviewing-window\nfree-text",
         all, 0},
        {"written twice", "staff-door\r\nstaff-door\r\n", AbsentElements{.staffDoor = true}, 0},
        {"the room is always drawn", "room\r\n", std::nullopt, 1},
        {"the bed is always drawn", "free-text\r\nbed\r\n", std::nullopt, 2},
        {"unknown keyword", "staff-door\r\n\r\nwindow\r\n", std::nullopt, 3},
        {"case differs", "Free-Text\r\n", std::nullopt, 1},
        {"two on a line", "free-text staff-door\r\n", std::nullopt, 1},
        {"not text", "\x91\x80\x8D\xEC\r\n", std::nullopt, 1},
    };
    const std::filesystem::path room = dir / "plan.Room";
    QString error;
    ASSERT_TRUE(roomfile::save(room, sampleLayout(), error)) << error.toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir / "plan.Room.absent");
        if (c.content)
            write("plan.Room.absent", c.content);
        error.clear();
        const std::optional<Module1::RoomLayout> loaded = roomfile::load(room, error);
        ASSERT_EQ(loaded.has_value(), c.read.has_value()) << error.toStdString();
        if (loaded) {
            EXPECT_EQ(loaded->absent, *c.read);
            continue;
        }
        EXPECT_TRUE(
            error.contains(QStringLiteral("plan.Room.absent の %1 行目").arg(c.refusedLine)))
            << error.toStdString();
    }
    // A marks file that cannot be read refuses the layout too.
    std::filesystem::remove(dir / "plan.Room.absent");
    std::filesystem::create_directory(dir / "plan.Room.absent");
    EXPECT_FALSE(roomfile::load(room, error));
    EXPECT_TRUE(error.contains(QStringLiteral("plan.Room.absent"))) << error.toStdString();
}

// Saving writes the 28 lines as ever and the marks beside them, and a layout
// without absent elements removes the marks an earlier one of that name left.
TEST_F(AbsentMarks, SavedBesideTheUnchangedFileAndRemovedWithTheLastMark) {
    Module1::RoomLayout layout = sampleLayout();
    layout.absent = {.staffDoor = true, .controlRoomText = true};
    const std::filesystem::path room = dir / "plan.Room";
    QString error;
    ASSERT_TRUE(roomfile::save(room, layout, error)) << error.toStdString();
    EXPECT_EQ(read("plan.Room"), writeOk(sampleLayout()));
    EXPECT_EQ(read("plan.Room.absent"), "staff-door\r\ncontrol-room-text\r\n");
    std::optional<Module1::RoomLayout> back = roomfile::load(room, error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, layout);

    layout.absent = {};
    ASSERT_TRUE(roomfile::save(room, layout, error)) << error.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir / "plan.Room.absent"));
    back = roomfile::load(room, error);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->absent.any());
}

// A save that fails says, in Japanese, which file in which folder and why.
TEST_F(AbsentMarks, AFailedSaveNamesTheFolderAndTheReason) {
    Module1::RoomLayout layout = sampleLayout();
    layout.absent.freeText = true;
    std::filesystem::create_directory(dir / "taken.Room.absent");
    std::filesystem::create_directory(dir / "folder.Room");
    struct Case {
        std::filesystem::path path;
        QString named;
        QString reason;
    };
    const Case cases[] = {
        {dir / "no such folder" / "a.Room", QStringLiteral("no such folder"),
         QStringLiteral("フォルダがありません")},
        {dir / "folder.Room", QStringLiteral("folder.Room"),
         QStringLiteral("同じ名前のフォルダがあります")},
        {dir / "taken.Room", QStringLiteral("taken.Room.absent"),
         QStringLiteral("同じ名前のフォルダがあります")},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(roomfile::save(c.path, layout, error));
        EXPECT_TRUE(error.contains(c.named) && error.contains(c.reason)) << error.toStdString();
    }
}
