// Saving and printing a window's picture as a page: the two actions of the
// picture's context menu with their shortcuts, and what they do. The page is
// composed by page::paintPage from what the window has drawn.
#pragma once

#include "logic/PicturePage.h"

#include <QString>

class QAction;
class QWidget;

namespace pictures {

struct PageActions {
    QAction* save = nullptr;  // "画像として保存…" (Ctrl+S)
    QAction* print = nullptr; // "印刷…" (Ctrl+P)
};

// Puts both actions on `picture`'s context menu (right click), their
// shortcuts active anywhere in its window. Both start disabled: there is no
// page until something is drawn.
PageActions addPageActions(QWidget* picture);

// The name offered for a page of `resultFileName`: "walk1.data" with `suffix`
// "-room" gives "walk1-room.png"; a corrected file "walk1.datC", "walk1C-room.png".
QString suggestedName(const QString& resultFileName, const QString& suffix = {});

// Asks for a file name, offering `suggested` in the working folder, and writes
// the page as PNG, or as PDF for a ".pdf" name. Another extension, or a write
// that fails, is told in a message and leaves no file; a failed write's
// message names the folder (or the file) that refused it and the reason.
void savePage(QWidget* parent, const page::PageContent& content, const QString& suggested);

// The print dialog, then the page as large as it fits on the printer's page.
void printPage(QWidget* parent, const page::PageContent& content);

} // namespace pictures
