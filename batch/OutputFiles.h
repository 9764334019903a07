// The files a run of scatter-map writes at the user's request (the pages and
// the grid), checked before anything is written: never over a file that the
// system reads or over another output of the run, and only where a file can
// be created.
#pragma once

#include <QString>
#include <QStringList>

namespace batch {

// Runs in one working folder take turns by this lock file.
inline constexpr const char* kLockFile = "scatter-map.lock";

// Whether two paths name one file: the same file where both exist (through a
// link, another spelling or another case), else the same name in the same
// folder, in the case rules of the folder's file system.
bool sameFile(const QString& a, const QString& b);

// The files kept beside a result file, which the viewer reads with it, in
// the result's folder: its relative errors ("X.data.unc" for "X.data" and
// for its corrected copy "X.datC") and the record of its plane
// ("X.data.plane", "X.datC.plane").
QStringList filesKeptBesideResult(const QString& resultFile);

// What the file at `file` is to the system, for a message
// ("物理データファイル「Air.eac」"): a result or a layout or a file kept beside one, an exchange or
// physical data file of the working folder `workFolder`, a program, the lock
// of the runs, or the layout `roomFile` or the points file `pointsFile` that
// the run reads (empty: none). Empty when the file is none of them and may be
// replaced.
QString systemFileAt(const QString& file, const QString& workFolder, const QString& roomFile,
                     const QString& pointsFile = {});

// The system's reason why no file can be created where `file` would be
// written (in its folder, under a name as long as the temporary file of the
// write); empty when one can.
QString cannotCreate(const QString& file);

} // namespace batch
