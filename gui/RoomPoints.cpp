#include "RoomPoints.h"

#include "logic/PointsFile.h"
#include "logic/RoomFile.h"

namespace {

QString fileName(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.filename().u16string());
}

// The same file, also when one path is relative or spelled otherwise.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    const std::filesystem::path ca = std::filesystem::weakly_canonical(a, ec);
    if (ec)
        return a == b;
    const std::filesystem::path cb = std::filesystem::weakly_canonical(b, ec);
    if (ec)
        return a == b;
    return ca == cb;
}

} // namespace

RoomPoints::RoomPoints(QObject* parent) : QObject(parent) {}

QString RoomPoints::savingText() const {
    if (!roomFile_)
        return QStringLiteral("測定点は、レイアウトを保存するときに一緒に保存されます。");
    const QString points = fileName(roomfile::pointsPath(*roomFile_));
    if (unreadable_)
        return QStringLiteral("「%1」は読めなかったため書き換えません。測定点は、レイアウトを"
                              "別の名前で保存するときに一緒に保存されます。")
            .arg(points);
    return QStringLiteral("測定点は「%1」に保存されます。").arg(points);
}

void RoomPoints::useLayoutFile(const std::filesystem::path& roomFile,
                               std::optional<std::vector<namedpoints::NamedPoint>> points) {
    roomFile_ = roomFile;
    unreadable_ = !points;
    points_ = points ? std::move(*points) : std::vector<namedpoints::NamedPoint>{};
    emit changed();
}

bool RoomPoints::saveBeside(const std::filesystem::path& roomFile, QString& error, bool* kept) {
    const bool keep = unreadable_ && roomFile_ && sameFile(*roomFile_, roomFile);
    if (kept)
        *kept = keep;
    roomFile_ = roomFile;
    if (keep) {
        emit changed();
        return true;
    }
    unreadable_ = false;
    const bool written = writeOut(error);
    emit changed();
    return written;
}

void RoomPoints::layoutFileDeleted(const std::filesystem::path& roomFile) {
    if (!roomFile_ || !sameFile(*roomFile_, roomFile))
        return;
    roomFile_.reset();
    unreadable_ = false;
    emit changed();
}

bool RoomPoints::writeOut(QString& error) {
    if (!roomFile_ || unreadable_)
        return true;
    QString why;
    if (pointsfile::save(*roomFile_, points_, why))
        return true;
    error = QStringLiteral("測定点を「%1」に保存できません。\n%2")
                .arg(fileName(roomfile::pointsPath(*roomFile_)), why);
    return false;
}

bool RoomPoints::add(const QString& name, double x, double y, QString& error) {
    const std::optional<namedpoints::NamedPoint> point = namedpoints::makePoint(name, x, y, error);
    if (!point)
        return false;
    points_.push_back(*point);
    const bool written = writeOut(error);
    emit changed();
    return written;
}

bool RoomPoints::move(std::size_t index, double x, double y, QString& error) {
    if (index >= points_.size())
        return true;
    return replace(index, namedpoints::makePoint(points_[index].name, x, y, error), error);
}

bool RoomPoints::rename(std::size_t index, const QString& name, QString& error) {
    if (index >= points_.size())
        return true;
    return replace(index, namedpoints::makePoint(name, points_[index].x, points_[index].y, error),
                   error);
}

bool RoomPoints::replace(std::size_t index, const std::optional<namedpoints::NamedPoint>& point,
                         QString& error) {
    if (!point)
        return false;
    if (*point == points_[index])
        return true;
    points_[index] = *point;
    const bool written = writeOut(error);
    emit changed();
    return written;
}

bool RoomPoints::remove(std::size_t index, QString& error) {
    if (index >= points_.size())
        return true;
    points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(index));
    const bool written = writeOut(error);
    emit changed();
    return written;
}

void RoomPoints::reset() {
    points_.clear();
    roomFile_.reset();
    unreadable_ = false;
    emit changed();
}
