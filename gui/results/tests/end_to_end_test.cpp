// One run from end to end with the real programs in a fresh working folder: the
// conditions window writes the job and the spectrum, the lying engine runs its
// 100000000 histories, the viewer merges with the real merger, loads and draws.
#include "layout/Form6.h"
#include "logic/MapPainting.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/PictureBox.h"
#include "setup/Form2.h"
#include "textrec/textrec.h"

#include "RecordingMessages.h"
#include "TempFolderTest.h"
#include "TestApplication.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;

namespace {

// Runs the engine to its end, feeding its two Enter keys, instead of opening a
// console; the merger starts hidden through the desktop launcher.
class EngineRunner final : public platform::ProgramLauncher {
public:
    explicit EngineRunner(platform::ProgramLauncher* desktop) : desktop_(desktop) {}
    bool startInConsole(const QString& program, const QString& workDir, const QString&,
                        QString& error) override {
        QProcess engine;
        engine.setWorkingDirectory(workDir);
        engine.start(QDir(workDir).filePath(program), {});
        engine.write("\n\n");
        engine.closeWriteChannel();
        engineFinished = engine.waitForFinished(20 * 60 * 1000) &&
                         engine.exitStatus() == QProcess::NormalExit && engine.exitCode() == 0;
        if (!engineFinished)
            error = program;
        return engineFinished;
    }
    bool startHidden(const QString& program, const QString& workDir, HiddenFinish onFinished,
                     QString& error) override {
        return desktop_->startHidden(program, workDir, std::move(onFinished), error);
    }
    bool engineFinished = false;

private:
    platform::ProgramLauncher* desktop_;
};

} // namespace

TEST(EndToEnd, ConditionsEngineMergerAndViewer) {
    testsupport::application();

    const fs::path folder = testsupport::uniqueTempPath("viewer_end_to_end");
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* data : {"ICRUSoft.dat", "Air.eac", "Ak2Sv.dat", "Tungsten.dat", "Aluminum.atc",
                             "Copper.dat", "sdec_default.op"})
        fs::copy_file(fs::path(SOURCE_DIR) / "data" / data, folder / data);
    fs::copy_file(ENGINE_PROGRAM, folder / fs::path(ENGINE_PROGRAM).filename());
    fs::copy_file(MERGER_PROGRAM, folder / fs::path(MERGER_PROGRAM).filename());
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.string()));

    platform::resetServices();
    testsupport::RecordingMessages messages;
    EngineRunner launcher(platform::services().launcher);
    platform::Services s;
    s.messages = &messages;
    s.launcher = &launcher;
    platform::setServices(s);

    {
        Form2 conditions;
        ASSERT_TRUE(conditions.tablesLoaded());
        conditions.Option3->setChecked(true); // lying
        conditions.Text9->setText(QStringLiteral("100000000"));
        conditions.Text10->setText(QStringLiteral("e2e"));
        conditions.Command5->click();
        conditions.Command1->click();
    }
    ASSERT_TRUE(launcher.engineFinished);
    ASSERT_TRUE(fs::exists(folder / "e2e.data"));

    {
        Form1 viewer;
        viewer.reset();
        const auto items = viewer.File1->findItems(QStringLiteral("e2e.data"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        viewer.File1->setCurrentItem(items.front());
        EXPECT_EQ(viewer.Text25->text(), "1.0E+08");
        viewer.Command11->click();
        QElapsedTimer waited;
        waited.start();
        while (!viewer.Command2->isEnabled() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        ASSERT_TRUE(viewer.Command2->isEnabled()) << "the merger did not end";
        viewer.Command2->click();
        ASSERT_TRUE(viewer.gridsLoaded) << messages.shown.size() << " messages";
        viewer.Command1->click();

        // x = 100 cm, c = 0 is value 81 of line 301 of the merged file.
        auto merged = textrec::readLines(folder / "F2B.dat");
        ASSERT_TRUE(merged);
        ASSERT_EQ(merged->size(), 1202u);
        double cell = 0;
        ASSERT_TRUE(
            textrec::readRealField(std::string_view((*merged)[300]).substr(80 * 11, 11), 4, cell));
        EXPECT_GT(cell, 0);
        viewer.showReadout(100, 300);
        EXPECT_EQ(viewer.Text23->text(), " 100");
        EXPECT_EQ(viewer.Text24->text(), " 0");
        EXPECT_EQ(viewer.Text22->text().toStdString(), textrec::plainNumber(cell));

        std::set<QRgb> colours;
        const QImage& map = viewer.Picture1->image();
        for (int Y = 10; Y <= 590; Y += 5)
            for (int X = 20; X <= 395; X += 5)
                colours.insert(map.pixel(results::mapPixel(X, Y)));
        EXPECT_GT(colours.size(), 1u);
    }

    platform::resetServices();
    QDir::setCurrent(previousFolder);
    fs::remove_all(folder);
}
