#include "logic/RoomFile.h"

#include <textrec/textrec.h>

#include <QCoreApplication>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <system_error>
#include <type_traits>
#include <utility>

namespace roomfile {

namespace {

constexpr int kControlRoomTextLine = 23;
constexpr int kFreeTextLine = 26;

// Calls visit(line number, field) for each number field of the layout record,
// in file order; lines 23 and 26 hold the texts.
template <typename Layout, typename Visit> void forEachNumberLine(Layout& r, Visit&& visit) {
    visit(1, r.roomWidth);
    visit(2, r.roomHeight);
    visit(3, r.roomTop);
    visit(4, r.roomLeft);
    visit(5, r.bedWidth);
    visit(6, r.bedHeight);
    visit(7, r.bedTop);
    visit(8, r.bedLeft);
    visit(9, r.phantomX);
    visit(10, r.phantomY);
    visit(11, r.windowWidth);
    visit(12, r.windowHeight);
    visit(13, r.windowLeft);
    visit(14, r.windowTop);
    visit(15, r.staffDoorWidth);
    visit(16, r.staffDoorHeight);
    visit(17, r.staffDoorLeft);
    visit(18, r.staffDoorTop);
    visit(19, r.entranceWidth);
    visit(20, r.entranceHeight);
    visit(21, r.entranceLeft);
    visit(22, r.entranceTop);
    visit(24, r.controlRoomX);
    visit(25, r.controlRoomY);
    visit(27, r.freeTextX);
    visit(28, r.freeTextY);
}

// What each number line holds, for the messages.
QString fieldName(int line) {
    static const char* const names[kLineCount + 1] = {
        "",
        "室の大きさ（横）",
        "室の大きさ（縦）",
        "室の上端",
        "室の左端",
        "ベッド（横）",
        "ベッド（縦）",
        "ベッドの上端",
        "ベッドの左端",
        "被射体中心 X",
        "被射体中心 Y",
        "覗き窓（横）",
        "覗き窓（縦）",
        "覗き窓の左端",
        "覗き窓の上端",
        "扉（横）",
        "扉（縦）",
        "扉の左端",
        "扉の上端",
        "患者出入口（横）",
        "患者出入口（縦）",
        "患者出入口の左端",
        "患者出入口の上端",
        "「操作室」",
        "「操作室」の位置 X",
        "「操作室」の位置 Y",
        "任意文字列",
        "任意文字列の位置 X",
        "任意文字列の位置 Y",
    };
    return QString::fromUtf8(names[line]);
}

bool withinLimit(double value) {
    return std::isfinite(value) && std::fabs(value) <= kNumberLimit;
}

} // namespace

std::string numberLine(double value) {
    std::string text = textrec::plainNumber(value, 7, false);
    if (text.front() != '-')
        text.insert(0, " ");
    return text + ' ';
}

QString cp932Forms(const QString& text) {
    static const std::pair<char16_t, char16_t> lookAlikes[] = {
        {u'\u301C', u'\uFF5E'}, // wave dash
        {u'\u2212', u'\uFF0D'}, // minus sign
        {u'\u2016', u'\u2225'}, // double vertical line
        {u'\u00A2', u'\uFFE0'}, // cent sign
        {u'\u00A3', u'\uFFE1'}, // pound sign
        {u'\u00AC', u'\uFFE2'}, // not sign
        {u'\u2014', u'\u2015'}, // em dash
    };
    QString out = text;
    for (QChar& c : out)
        for (auto [typed, held] : lookAlikes)
            if (c.unicode() == typed)
                c = QChar(held);
    return out;
}

std::optional<std::string> encodeCp932(const QString& text, QString& error, const char* codec) {
    QStringEncoder encoder(codec);
    if (!encoder.isValid()) {
        error = QStringLiteral("文字コード Shift-JIS（コードページ 932）が使えないため、"
                               "文字列を保存できません。");
        return std::nullopt;
    }
    const QString forms = cp932Forms(text);
    QByteArray bytes = encoder.encode(forms);
    if (!encoder.hasError())
        return bytes.toStdString();
    // Name the first character that the code page cannot hold.
    const QList<uint> codePoints = forms.toUcs4();
    for (uint codePoint : codePoints) {
        const char32_t c = codePoint;
        const QString one = QString::fromUcs4(&c, 1);
        QStringEncoder single(codec);
        const QByteArray encoded = single.encode(one); // encodes only when converted
        if (single.hasError()) {
            error = QStringLiteral("「%1」（U+%2）は Shift-JIS（コードページ 932）で"
                                   "保存できない文字です。別の文字に書き換えて下さい。")
                        .arg(one, QString::number(codePoint, 16).toUpper().rightJustified(4, u'0'));
            return std::nullopt;
        }
    }
    error = QStringLiteral("文字列を Shift-JIS（コードページ 932）で保存できません。");
    return std::nullopt;
}

std::optional<QString> decodeCp932(std::string_view bytes) {
    QStringDecoder decoder(kCodePage);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString text = decoder.decode(view);
    if (decoder.hasError() || !decoder.isValid() || textrec::hasControlCharacter(bytes))
        return std::nullopt;
    // A cut or invalid sequence may pass the decoder as a replacement
    // character: the text must give back the very bytes it came from.
    QStringEncoder encoder(kCodePage);
    const QByteArray back = encoder.encode(text);
    if (encoder.hasError() || QByteArrayView(back) != view)
        return std::nullopt;
    return text;
}

std::optional<std::string> write(const Module1::RoomLayout& layout, QString& error) {
    std::string lines[kLineCount];
    bool ok = true;
    forEachNumberLine(layout, [&](int n, double value) {
        if (ok && !withinLimit(value)) {
            error = QStringLiteral("%1の値 %2 は -100000 ～ 100000 cm の範囲外です。")
                        .arg(fieldName(n), QString::fromStdString(textrec::plainNumber(value, 7)));
            ok = false;
        }
        lines[n - 1] = numberLine(value);
    });
    if (!ok)
        return std::nullopt;
    for (int n : {kControlRoomTextLine, kFreeTextLine}) {
        const QString& text = n == kControlRoomTextLine ? layout.controlRoomText : layout.freeText;
        QString why;
        std::optional<std::string> bytes = encodeCp932(text, why);
        if (!bytes) {
            error = QStringLiteral("%1：%2").arg(fieldName(n), why);
            return std::nullopt;
        }
        lines[n - 1] = std::move(*bytes);
    }
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += textrec::kRecordEnd;
    }
    return out;
}

std::optional<Module1::RoomLayout> parse(const std::vector<std::string>& lines,
                                         const QString& fileName, QString& error) {
    if (lines.size() < static_cast<std::size_t>(kLineCount)) {
        error = QStringLiteral("%1 はレイアウトデータの行が足りません（%2 行、必要なのは %3 行）。")
                    .arg(fileName)
                    .arg(lines.size())
                    .arg(kLineCount);
        return std::nullopt;
    }
    double numbers[kLineCount + 1] = {}; // by line number
    for (int n = 1; n <= kLineCount; ++n) {
        if (n == kControlRoomTextLine || n == kFreeTextLine)
            continue;
        const std::string& line = lines[static_cast<std::size_t>(n - 1)];
        std::optional<double> v = textrec::readWholeNumber(line);
        if (!v) {
            error = QStringLiteral("%1 の %2 行目に数値がありません。").arg(fileName).arg(n);
            return std::nullopt;
        }
        if (!withinLimit(*v)) {
            error =
                QStringLiteral("%1 の %2 行目（%3）の数値 %4 は -100000 ～ 100000 の範囲外です。")
                    .arg(fileName)
                    .arg(n)
                    .arg(fieldName(n), QString::fromStdString(line).trimmed());
            return std::nullopt;
        }
        numbers[n] = *v;
    }
    Module1::RoomLayout r;
    forEachNumberLine(r, [&numbers](int n, auto& field) {
        field = static_cast<std::remove_reference_t<decltype(field)>>(numbers[n]);
    });
    for (int n : {kControlRoomTextLine, kFreeTextLine}) {
        const std::optional<QString> text = decodeCp932(lines[static_cast<std::size_t>(n - 1)]);
        if (!text) {
            error = QStringLiteral("%1 の %2 行目（%3）の文字列は Shift-JIS（コードページ 932）"
                                   "として読めません。")
                        .arg(fileName)
                        .arg(n)
                        .arg(fieldName(n));
            return std::nullopt;
        }
        (n == kControlRoomTextLine ? r.controlRoomText : r.freeText) = *text;
    }
    return r;
}

namespace {

QString shownName(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.filename().u16string());
}

// The system's reason for a failed write, in the user's words where there are
// some; otherwise the system's own.
QString reasonText(const std::error_code& ec) {
    const std::error_condition c = ec.default_error_condition();
    if (c == std::errc::no_such_file_or_directory)
        return QStringLiteral("フォルダがありません");
    if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        return QStringLiteral("書き込みが許可されていません");
    if (c == std::errc::read_only_file_system)
        return QStringLiteral("読み取り専用の場所です");
    if (c == std::errc::no_space_on_device)
        return QStringLiteral("ディスクに空きがありません");
    if (c == std::errc::is_a_directory)
        return QStringLiteral("同じ名前のフォルダがあります");
    if (c == std::errc::filename_too_long)
        return QStringLiteral("名前が長すぎます");
    return QString::fromLocal8Bit(ec.message());
}

QString folderText(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    return QString::fromStdU16String((ec ? folder : absolute).lexically_normal().u16string());
}

// Writes `content` to a temporary file beside `path` and renames it into place;
// on failure leaves no temporary file and says which file in which folder
// could not be written, and why.
bool writeWhole(const std::filesystem::path& path, std::string_view content, QString& error) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = path;
    temporary += "." + std::to_string(QCoreApplication::applicationPid()) + "-" +
                 std::to_string(counter++) + ".tmp";
    auto fail = [&](const std::error_code& ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = QStringLiteral("フォルダ「%1」に「%2」を書き込めません（%3）。")
                    .arg(folderText(path), shownName(path), reasonText(ec));
        return false;
    };
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail(std::error_code(errno ? errno : EIO, std::generic_category()));
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out)
            return fail(std::error_code(errno ? errno : EIO, std::generic_category()));
    }
    if (std::filesystem::is_directory(path)) // the rename would fail with a vaguer reason
        return fail(std::make_error_code(std::errc::is_a_directory));
    if (!textrec::replaceFile(temporary, path)) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = QStringLiteral("「%1」を置き換えられません。ほかのプログラムが開いていれば、"
                               "閉じてからもう一度保存して下さい。")
                    .arg(shownName(path));
        return false;
    }
    return true;
}

} // namespace

bool save(const std::filesystem::path& path, const Module1::RoomLayout& layout, QString& error) {
    std::optional<std::string> content = write(layout, error);
    if (!content)
        return false;
    if (!writeWhole(path, *content, error))
        return false;
    // The marks go with the layout just written: an earlier layout's marks
    // must not leave out elements of this one.
    const std::filesystem::path marks = absentMarksPath(path);
    if (layout.absent.any()) {
        if (writeWhole(marks, writeAbsentMarks(layout.absent), error))
            return true;
        error = QStringLiteral("「%1」は保存しましたが、描かない要素の印を保存できません。%2")
                    .arg(shownName(path), error);
        return false;
    }
    std::error_code ec;
    std::filesystem::remove(marks, ec);
    if (ec) {
        error = QStringLiteral("「%1」は保存しましたが、前の描かない要素の印「%2」を"
                               "削除できません（%3）。")
                    .arg(shownName(path), shownName(marks), reasonText(ec));
        return false;
    }
    return true;
}

std::optional<Module1::RoomLayout> load(const std::filesystem::path& path, QString& error) {
    std::optional<std::vector<std::string>> lines = textrec::readLines(path);
    if (!lines) {
        error = QStringLiteral("%1 を開けません。").arg(shownName(path));
        return std::nullopt;
    }
    std::optional<Module1::RoomLayout> layout = parse(*lines, shownName(path), error);
    if (!layout)
        return std::nullopt;
    std::optional<Module1::AbsentElements> absent = loadAbsentMarks(path, error);
    if (!absent)
        return std::nullopt;
    layout->absent = *absent;
    return layout;
}

std::filesystem::path absentMarksPath(const std::filesystem::path& roomFile) {
    std::filesystem::path p = roomFile;
    p += kAbsentMarksSuffix.toStdU16String();
    return p;
}

std::filesystem::path pointsPath(const std::filesystem::path& roomFile) {
    std::filesystem::path p = roomFile;
    p += kPointsSuffix.toStdU16String();
    return p;
}

std::vector<std::filesystem::path> companionFiles(const std::filesystem::path& roomFile) {
    return {absentMarksPath(roomFile), pointsPath(roomFile)};
}

namespace {

struct Mark {
    const char* keyword;
    bool Module1::AbsentElements::*flag;
};
constexpr Mark kMarks[] = {
    {kViewingWindowMark, &Module1::AbsentElements::viewingWindow},
    {kStaffDoorMark, &Module1::AbsentElements::staffDoor},
    {kPatientEntranceMark, &Module1::AbsentElements::patientEntrance},
    {kControlRoomTextMark, &Module1::AbsentElements::controlRoomText},
    {kFreeTextMark, &Module1::AbsentElements::freeText},
};

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string writeAbsentMarks(const Module1::AbsentElements& absent) {
    std::string out;
    for (const Mark& mark : kMarks) {
        if (absent.*mark.flag) {
            out += mark.keyword;
            out += textrec::kRecordEnd;
        }
    }
    return out;
}

std::optional<Module1::AbsentElements> parseAbsentMarks(const std::vector<std::string>& lines,
                                                        const QString& fileName, QString& error) {
    Module1::AbsentElements absent;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view word = trimmed(lines[n]);
        if (word.empty())
            continue;
        const Mark* found = nullptr;
        for (const Mark& mark : kMarks)
            if (word == mark.keyword)
                found = &mark;
        if (!found) {
            QStringList keywords;
            for (const Mark& mark : kMarks)
                keywords << QString::fromLatin1(mark.keyword);
            error = QStringLiteral("%1 の %2 行目は描かない要素の名前ではありません"
                                   "（書けるのは %3 のいずれかを 1 行に 1 つ）。")
                        .arg(fileName)
                        .arg(n + 1)
                        .arg(keywords.join(QStringLiteral("、")));
            return std::nullopt;
        }
        absent.*found->flag = true;
    }
    return absent;
}

std::optional<Module1::AbsentElements> loadAbsentMarks(const std::filesystem::path& roomFile,
                                                       QString& error) {
    const std::filesystem::path marks = absentMarksPath(roomFile);
    std::error_code ec;
    if (!std::filesystem::exists(marks, ec) && !ec)
        return Module1::AbsentElements{};
    std::optional<std::vector<std::string>> lines = textrec::readLines(marks);
    if (!lines) {
        error = QStringLiteral("%1 を開けません。").arg(shownName(marks));
        return std::nullopt;
    }
    return parseAbsentMarks(*lines, shownName(marks), error);
}

} // namespace roomfile
