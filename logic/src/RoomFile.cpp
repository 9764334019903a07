#include "logic/RoomFile.h"

#include <textrec/textrec.h>

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
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

bool save(const std::filesystem::path& path, const Module1::RoomLayout& layout, QString& error) {
    std::optional<std::string> content = write(layout, error);
    if (!content)
        return false;
    std::string why;
    if (textrec::writeFileAtomic(path, *content, &why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

std::optional<Module1::RoomLayout> load(const std::filesystem::path& path, QString& error) {
    QString name = QString::fromStdU16String(path.filename().u16string());
    std::optional<std::vector<std::string>> lines = textrec::readLines(path);
    if (!lines) {
        error = QStringLiteral("%1 を開けません。").arg(name);
        return std::nullopt;
    }
    return parse(*lines, name, error);
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

} // namespace roomfile
