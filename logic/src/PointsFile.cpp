#include "logic/PointsFile.h"

#include "logic/RoomFile.h"

#include <textrec/textrec.h>

#include <charconv>
#include <string_view>

namespace pointsfile {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The shortest plain decimal that reads back to the same double.
std::string decimal(double value) {
    char text[2048]; // a double in fixed notation needs at most 1100 characters
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

// The next field of a line: blanks skipped, then everything up to a blank.
std::string_view nextField(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !isBlank(line[pos]))
        ++pos;
    return line.substr(start, pos - start);
}

// A line as a message quotes it: its text when it is text of code page 932,
// else with control characters escaped, cut after 80 characters.
QString quoted(std::string_view line) {
    if (const std::optional<QString> text = roomfile::decodeCp932(line))
        return text->size() > 80 ? text->left(80) + QStringLiteral("...") : *text;
    return QString::fromStdString(textrec::shownText(line));
}

QString fileAndLine(const QString& fileName, std::size_t line) {
    return QStringLiteral("%1 の %2 行目").arg(fileName).arg(line);
}

} // namespace

std::optional<std::string> pointLine(const namedpoints::NamedPoint& point, QString& error) {
    const std::optional<namedpoints::NamedPoint> checked =
        namedpoints::makePoint(point.name, point.x, point.y, error);
    if (!checked)
        return std::nullopt;
    QString why;
    const std::optional<std::string> name = roomfile::encodeCp932(checked->name, why);
    if (!name) {
        error = why;
        return std::nullopt;
    }
    return decimal(checked->x) + ' ' + decimal(checked->y) + ' ' + *name;
}

std::optional<std::string> write(const std::vector<namedpoints::NamedPoint>& points,
                                 QString& error) {
    std::string out;
    for (std::size_t k = 0; k < points.size(); ++k) {
        QString why;
        const std::optional<std::string> line = pointLine(points[k], why);
        if (!line) {
            error = QStringLiteral("%1 番目の測定点を保存できません：%2").arg(k + 1).arg(why);
            return std::nullopt;
        }
        out += *line;
        out += textrec::kRecordEnd;
    }
    return out;
}

std::optional<std::vector<namedpoints::NamedPoint>> parse(const std::vector<std::string>& lines,
                                                          const QString& fileName, QString& error) {
    std::vector<namedpoints::NamedPoint> points;
    for (std::size_t n = 1; n <= lines.size(); ++n) {
        const std::string_view line = lines[n - 1];
        std::size_t pos = 0;
        const std::string_view xField = nextField(line, pos);
        if (xField.empty())
            continue; // a blank line
        const std::string_view yField = nextField(line, pos);
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        std::string_view nameBytes = line.substr(pos);
        while (!nameBytes.empty() && isBlank(nameBytes.back()))
            nameBytes.remove_suffix(1);

        const std::optional<double> x = textrec::readWholeNumber(xField);
        const std::optional<double> y = textrec::readWholeNumber(yField);
        if (!x || !y || nameBytes.empty()) {
            error = QStringLiteral("%1は測定点ではありません（「X Y 名称」の形で、X と Y は cm "
                                   "の数値）：%2")
                        .arg(fileAndLine(fileName, n), quoted(line));
            return std::nullopt;
        }
        if (textrec::hasControlCharacter(nameBytes)) {
            error = QStringLiteral("%1の測定点の名称に制御文字があります。")
                        .arg(fileAndLine(fileName, n));
            return std::nullopt;
        }
        const std::optional<QString> name = roomfile::decodeCp932(nameBytes);
        if (!name) {
            error = QStringLiteral("%1の測定点の名称は Shift-JIS（コードページ 932）"
                                   "として読めません。")
                        .arg(fileAndLine(fileName, n));
            return std::nullopt;
        }
        QString why;
        const std::optional<namedpoints::NamedPoint> point =
            namedpoints::makePoint(*name, *x, *y, why);
        if (!point) {
            error = QStringLiteral("%1：%2").arg(fileAndLine(fileName, n), why);
            return std::nullopt;
        }
        points.push_back(*point);
    }
    return points;
}

bool save(const std::filesystem::path& roomFile, const std::vector<namedpoints::NamedPoint>& points,
          QString& error) {
    const std::optional<std::string> content = write(points, error);
    if (!content)
        return false;
    const std::filesystem::path path = roomfile::pointsPath(roomFile);
    if (points.empty()) {
        // A layout without points has no points file: an older one of the
        // name must not lend its points to this layout.
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (!ec)
            return true;
        error = QStringLiteral("前の測定点のファイル「%1」を削除できません（%2）。")
                    .arg(QString::fromStdU16String(path.filename().u16string()),
                         QString::fromStdString(ec.message()));
        return false;
    }
    std::string why;
    if (textrec::writeFileAtomic(path, *content, &why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

std::optional<std::vector<namedpoints::NamedPoint>> load(const std::filesystem::path& roomFile,
                                                         QString& error) {
    const std::filesystem::path path = roomfile::pointsPath(roomFile);
    const QString name = QString::fromStdU16String(path.filename().u16string());
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return std::vector<namedpoints::NamedPoint>{};
    std::string why;
    const std::optional<std::vector<std::string>> lines = textrec::readLines(path, &why);
    if (!lines) {
        error = QStringLiteral("%1 を読めません（%2）。").arg(name, QString::fromStdString(why));
        return std::nullopt;
    }
    return parse(*lines, name, error);
}

} // namespace pointsfile
