// A page of the dose map or of the room overlay, saved as a PNG or PDF file or
// printed: the picture as the window shows it, painted finer by the window's
// own painting code, the legend with its thresholds and unit, the conditions
// of the result, the result file name and the date. A map shown as doses in a
// period or with limit lines adds the workload, the key of the lines and what
// the map leaves out; the room overlay's page lists its named points.
//
// A page is laid out in page units, one unit to a pixel of the window's
// pictures (96 to the inch). A PNG file takes two pixels a unit; a PDF file is
// one page of the page's own size with its pictures at 384 dots per inch.
#pragma once

#include "logic/PointsTable.h"
#include "logic/RoomLayout.h"
#include "logic/ShownMap.h"

#include <QDate>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

class QPainter;

namespace page {

enum class Picture {
    Map,        // the viewer's map
    RoomOverlay // the map over the room layout
};

// Everything a page shows.
struct PageContent {
    Picture picture = Picture::Map;
    results::ShownMap map;
    // The room overlay's layout and its name, and whether the map is shown on
    // both sides of the phantom.
    Module1::RoomLayout room;
    QString layoutName;
    bool bothSides = false;
    QFont pictureFont; // the font of the picture's own labels, as in the window
    QDate date;        // the day the page is made
    // The room overlay's named points, drawn where they stand, and their table
    // as the window shows it (namedpoints::tableRows), under the picture.
    std::vector<namedpoints::NamedPoint> points;
    std::vector<namedpoints::PointRow> pointRows;
    namedpoints::TableHeadings pointHeadings;
    QString pointsNote; // under the table; empty for none
};

// Where the parts of a page lie, in page units.
struct PageLayout {
    QSizeF size;
    QRectF picture; // the map or overlay picture
    // Where the window's picture lies in it: the room overlay's picture takes
    // more room around it where a text of the layout would be cut off.
    QRectF windowPicture;
    QRectF legend;        // the legend's boxes, band 1 at the top
    double boxHeight = 0; // of one legend box
    int footerLines = 0;  // lines of text under the picture
    // The key of the limit lines under the lines of text (empty without
    // lines), then the table of named points: its heading row first, one row
    // a point (empty without points).
    QRectF key;
    QRectF pointsTable;
};
PageLayout pageLayout(const PageContent& content);

// Paints the page with `painter`, whose transform takes page units to the
// device; the pictures are painted `pictureScale` times finer than the window's.
void paintPage(QPainter& painter, const PageContent& content, int pictureScale);

// Paints the page as large as it fits into `area` (device coordinates of the
// painter) of a device of `dotsPerInch`, centred, its pictures fine enough for
// 300 dots per inch.
void paintFitted(QPainter& painter, const QRectF& area, double dotsPerInch,
                 const PageContent& content);

// The page as an image of `scale` pixels a page unit.
QImage pageImage(const PageContent& content, int scale = 2);

enum class FileFormat { Png, Pdf };

// The name to save under: ".png" added to a name without an extension.
QString withDefaultExtension(const QString& fileName);
// The format of a file name by its extension, in any case: ".png" or ".pdf";
// nothing for another one.
std::optional<FileFormat> formatOf(const QString& fileName);

// The file content of a page.
QByteArray pageFile(const PageContent& content, FileFormat format);

// Writes the page to `path` through a temporary file renamed into place, so
// that a failed write leaves no file. False, with `error` naming the file,
// when it cannot.
bool savePage(const std::filesystem::path& path, FileFormat format, const PageContent& content,
              QString& error);

} // namespace page
