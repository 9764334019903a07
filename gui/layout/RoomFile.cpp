#include "layout/RoomFile.h"

#include <textrec/textrec.h>

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <type_traits>

namespace roomfile {

namespace {

// The IANA name of code page 932.
constexpr const char* kCodePage = "windows-31j";

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

} // namespace

std::string numberLine(double value) {
    std::string text = textrec::plainNumber(value, 7, false);
    if (text.front() != '-')
        text.insert(0, " ");
    return text + ' ';
}

std::string encodeCp932(const QString& text) {
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes.toStdString();
    // Encode character by character so that only the missing ones are replaced.
    std::string out;
    const QList<uint> codePoints = text.toUcs4();
    for (uint codePoint : codePoints) {
        const char32_t c = codePoint;
        QStringEncoder one(kCodePage);
        QByteArray b = one.encode(QString::fromUcs4(&c, 1));
        out += one.hasError() ? std::string("?") : b.toStdString();
    }
    return out;
}

QString decodeCp932(std::string_view bytes) {
    QStringDecoder decoder(kCodePage);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string write(const Module1::RoomLayout& layout) {
    std::string lines[kLineCount];
    forEachNumberLine(layout, [&lines](int n, double value) { lines[n - 1] = numberLine(value); });
    lines[kControlRoomTextLine - 1] = encodeCp932(layout.controlRoomText);
    lines[kFreeTextLine - 1] = encodeCp932(layout.freeText);
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
        std::optional<double> v = textrec::readWholeNumber(lines[static_cast<std::size_t>(n - 1)]);
        if (!v) {
            error = QStringLiteral("%1 の %2 行目に数値がありません。").arg(fileName).arg(n);
            return std::nullopt;
        }
        numbers[n] = *v;
    }
    Module1::RoomLayout r;
    forEachNumberLine(r, [&numbers](int n, auto& field) {
        field = static_cast<std::remove_reference_t<decltype(field)>>(numbers[n]);
    });
    r.controlRoomText = decodeCp932(lines[kControlRoomTextLine - 1]);
    r.freeText = decodeCp932(lines[kFreeTextLine - 1]);
    return r;
}

bool save(const std::filesystem::path& path, const Module1::RoomLayout& layout, QString& error) {
    std::string why;
    if (textrec::writeFileAtomic(path, write(layout), &why))
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

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

} // namespace roomfile
