#include "layout/RoomFile.h"

#include <textrec/textrec.h>

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <regex>

namespace roomfile {

namespace {

// The IANA name of code page 932.
constexpr const char* kCodePage = "windows-31j";

constexpr int kControlRoomTextLine = 23;
constexpr int kFreeTextLine = 26;

// One plain decimal number: digits with an optional point, optional sign and
// optional exponent (E or D).
const std::regex& numberPattern() {
    static const std::regex pattern(R"([+-]?(\d+\.?\d*|\.\d+)([EeDd][+-]?\d+)?)");
    return pattern;
}

std::optional<double> readNumberLine(std::string_view line) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    std::string_view number = line.substr(begin, end - begin);
    if (!std::regex_match(number.begin(), number.end(), numberPattern()))
        return std::nullopt;
    return textrec::readFreeNumber(number);
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

std::string write(const Module1::RoomLayout& r) {
    const double numbersBefore[] = {
        r.roomWidth,       r.roomHeight,    double(r.roomTop), double(r.roomLeft), r.bedWidth,
        r.bedHeight,       r.bedTop,        r.bedLeft,         r.phantomX,         r.phantomY,
        r.windowWidth,     r.windowHeight,  r.windowLeft,      r.windowTop,        r.staffDoorWidth,
        r.staffDoorHeight, r.staffDoorLeft, r.staffDoorTop,    r.entranceWidth,    r.entranceHeight,
        r.entranceLeft,    r.entranceTop};
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += textrec::kRecordEnd;
    };
    for (double v : numbersBefore)
        line(numberLine(v));
    line(encodeCp932(r.controlRoomText));
    line(numberLine(r.controlRoomX));
    line(numberLine(r.controlRoomY));
    line(encodeCp932(r.freeText));
    line(numberLine(r.freeTextX));
    line(numberLine(r.freeTextY));
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
        std::optional<double> v = readNumberLine(lines[static_cast<std::size_t>(n - 1)]);
        if (!v) {
            error = QStringLiteral("%1 の %2 行目に数値がありません。").arg(fileName).arg(n);
            return std::nullopt;
        }
        numbers[n] = *v;
    }
    auto f = [&numbers](int n) { return static_cast<float>(numbers[n]); };
    Module1::RoomLayout r;
    r.roomWidth = f(1);
    r.roomHeight = f(2);
    r.roomTop = static_cast<int>(numbers[3]);
    r.roomLeft = static_cast<int>(numbers[4]);
    r.bedWidth = f(5);
    r.bedHeight = f(6);
    r.bedTop = f(7);
    r.bedLeft = f(8);
    r.phantomX = f(9);
    r.phantomY = f(10);
    r.windowWidth = f(11);
    r.windowHeight = f(12);
    r.windowLeft = f(13);
    r.windowTop = f(14);
    r.staffDoorWidth = f(15);
    r.staffDoorHeight = f(16);
    r.staffDoorLeft = f(17);
    r.staffDoorTop = f(18);
    r.entranceWidth = f(19);
    r.entranceHeight = f(20);
    r.entranceLeft = f(21);
    r.entranceTop = f(22);
    r.controlRoomText = decodeCp932(lines[kControlRoomTextLine - 1]);
    r.controlRoomX = f(24);
    r.controlRoomY = f(25);
    r.freeText = decodeCp932(lines[kFreeTextLine - 1]);
    r.freeTextX = f(27);
    r.freeTextY = f(28);
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
