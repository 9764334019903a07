#include "results/PicturePages.h"

#include "logic/FilePaths.h"
#include "platform/Platform.h"
#include "textrec/exchange_files.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QPainter>
#include <QPrinter>
#include <QWidget>

namespace pictures {

PageActions addPageActions(QWidget* picture) {
    PageActions actions;
    actions.save = new QAction(QStringLiteral("画像として保存…"), picture);
    actions.save->setShortcut(QKeySequence::Save);
    actions.print = new QAction(QStringLiteral("印刷…"), picture);
    actions.print->setShortcut(QKeySequence::Print);
    for (QAction* action : {actions.save, actions.print}) {
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        picture->addAction(action);
    }
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);
    return actions;
}

QString suggestedName(const QString& resultFileName, const QString& suffix) {
    QString stem = QFileInfo(resultFileName).completeBaseName();
    if (resultFileName.endsWith(QLatin1Char(textrec::exchange::correctedMark)))
        stem += QLatin1Char(textrec::exchange::correctedMark);
    return stem + suffix + QStringLiteral(".png");
}

void savePage(QWidget* parent, const page::PageContent& content, const QString& suggested) {
    QString name = platform::services().fileDialogs->saveFileName(
        parent, QStringLiteral("画像として保存"), QDir(platform::workFolder()).filePath(suggested),
        QStringLiteral("PNG 画像 (*.png);;PDF (*.pdf)"));
    if (name.isEmpty())
        return;
    name = page::withDefaultExtension(name);
    const std::optional<page::FileFormat> format = page::formatOf(name);
    if (!format) {
        platform::warn(parent,
                       QStringLiteral("「%1」には保存できません。\n"
                                      "拡張子を .png（PNG 画像）か .pdf（PDF）にして下さい。")
                           .arg(QFileInfo(name).fileName()));
        return;
    }
    const QString fileName = QFileInfo(name).fileName();
    const QByteArray bytes = page::pageFile(content, *format);
    if (bytes.isEmpty()) {
        platform::warn(parent,
                       QStringLiteral("「%1」を保存できませんでした。\n画像を作れませんでした。")
                           .arg(fileName));
        return;
    }
    if (const auto failure = files::writeReplacing(files::toPath(name), bytes))
        platform::warn(parent, QStringLiteral("「%1」を保存できませんでした。\n%2")
                                   .arg(fileName, files::failureText(*failure)));
}

void printPage(QWidget* parent, const page::PageContent& content) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(content.map.resultFileName);
    const QSizeF size = page::pageLayout(content).size;
    printer.setPageOrientation(size.width() > size.height() ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
    if (!platform::services().printDialogs->choosePrinter(parent, printer))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        platform::warn(parent, QStringLiteral("印刷を始められませんでした。"));
        return;
    }
    page::paintFitted(painter,
                      QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size()),
                      printer.resolution(), content);
    if (!painter.end())
        platform::warn(parent, QStringLiteral("印刷できませんでした。"));
}

} // namespace pictures
