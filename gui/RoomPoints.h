// The named points of the room layout in use (術者, 看護師, 操作卓, 扉の外, ...)
// and the layout file they are kept beside. One object for the program: the
// overlay window places, moves and deletes the points, the layout editor
// hands over those of a layout it loads and writes them with a layout it
// saves.
//
// When the points are written: at once after each edit while the layout in
// use has a file (loaded from it or saved to it), and with every save of the
// layout. The overlay window has no save of its own, and a point placed there
// should no more be lost with the end of the program than an element placed
// in the editor is after "保存する"; writing the small points file is cheap
// and leaves the ".Room" file as it was. A layout without a file keeps its
// points until it is saved. Every write goes through a temporary file renamed
// into place, so a points file is never half-written.
//
// A points file that could not be read is not written over by edits, so that
// the user can mend it: the points placed meanwhile are kept with the layout
// until it is saved under another name.
#pragma once

#include "logic/NamedPoints.h"

#include <QObject>
#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

class RoomPoints : public QObject {
    Q_OBJECT
public:
    explicit RoomPoints(QObject* parent = nullptr);

    const std::vector<namedpoints::NamedPoint>& points() const { return points_; }
    // The layout file the points are kept beside; nothing while the layout in
    // use has no file.
    const std::optional<std::filesystem::path>& roomFile() const { return roomFile_; }
    // The points file beside roomFile() could not be read when the layout was
    // loaded; it is left as it is.
    bool keepsUnreadableFile() const { return unreadable_; }
    // How the points are saved now, for the overlay window to say.
    QString savingText() const;

    // The editor loaded the layout `roomFile`: `points` read beside it, or
    // nothing when its points file could not be read (the layout is used with
    // no points, and that file is not written over).
    void useLayoutFile(const std::filesystem::path& roomFile,
                       std::optional<std::vector<namedpoints::NamedPoint>> points);
    // The editor saved the layout as `roomFile`: the points are written beside
    // it and kept there from now on. A points file of that name that could
    // not be read when the layout was loaded is left as it is (and `kept` is
    // set). False, with `error` naming the file and why, when the write fails.
    bool saveBeside(const std::filesystem::path& roomFile, QString& error, bool* kept = nullptr);
    // The editor deleted the layout file `roomFile` (and the points file
    // beside it): when it is the layout in use, its points are kept without
    // a file until the layout is saved again.
    void layoutFileDeleted(const std::filesystem::path& roomFile);

    // Edits. Each takes effect in the list whatever the file does; with a
    // file to keep the points in, the list is written at once. False, with
    // `error`, when the point is refused (namedpoints::makePoint: the name or
    // the position) and nothing changes, or when the write fails (`error`
    // names the points file; the edit stays and is written with the next).
    bool add(const QString& name, double x, double y, QString& error);
    bool move(std::size_t index, double x, double y, QString& error);
    bool rename(std::size_t index, const QString& name, QString& error);
    bool remove(std::size_t index, QString& error);

    // No points and no file: a fresh program (tests, a new session).
    void reset();

signals:
    // The points or their file changed.
    void changed();

private:
    bool writeOut(QString& error);
    // Puts `point` (refused when empty, `error` saying why) in place of the
    // point at `index` and writes the file when it changed.
    bool replace(std::size_t index, const std::optional<namedpoints::NamedPoint>& point,
                 QString& error);

    std::vector<namedpoints::NamedPoint> points_;
    std::optional<std::filesystem::path> roomFile_;
    bool unreadable_ = false;
};
