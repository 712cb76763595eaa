#include "ui/PhotoViewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Platform.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "ui/PhotoViewerLauncher.h"
#include "ui/PhotoViewerPath.h"

namespace {

using testing_support::ScriptedPrompter;
using Result = ui::PhotoViewerLauncher::Result;

std::string Fixture(const std::string& name) {
    return std::string(ZV_TEST_DATA_DIR) + "/jpeg/" + name;
}

int OpenViewers() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<ui::PhotoViewer*>(w)) ++count;
    }
    return count;
}

// Runs the deletions closing has scheduled.
void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class PhotoViewerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        FlushDeletes();
        EXPECT_EQ(OpenViewers(), 0);
    }
    ScriptedPrompter prompter;
    testing_support::ScopedPrompter usePrompter{prompter};
};

TEST_F(PhotoViewerTest, PhotoPathJoinsFolderAndCode) {
    const std::string sep(1, platform::CurrentPlatform().PathSeparator());
    struct Case {
        std::string folder, id, expected;
    } cases[] = {
        {"/data/foto", "12345", "/data/foto" + sep + "ZV12345.jpg"},
        {"/data/foto/", "12345", "/data/foto/ZV12345.jpg"},  // no doubled separator
        {"C:\\Foto\\", "7", "C:\\Foto\\ZV7.jpg"},
        {"", "12345", ""},           // no photo folder set
        {"/data/foto", "", ""},      // no code
        {"/data/foto", "../x", ""},  // a code never leaves the folder
        {"/data/foto", "a\\b", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::PhotoFilePath(c.folder, c.id), c.expected) << c.folder << " " << c.id;
    }
}

TEST_F(PhotoViewerTest, CaptionIsNameAndBracketedCode) {
    EXPECT_EQ(ui::PhotoViewer::Caption("Фильтр масляный", "00012345"),
              "Фильтр масляный  [00012345]");
    EXPECT_EQ(ui::PhotoViewer::Caption("Фильтр масляный", ""), "Фильтр масляный");
}

TEST_F(PhotoViewerTest, ShowsThePhotoAtItsSizeWithTheCaption) {
    ui::PhotoViewerLauncher launcher;
    ASSERT_EQ(launcher.Show(Fixture("photo.jpg"), "Свеча  [42]"), Result::Shown);
    ui::PhotoViewer* viewer = launcher.Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "Свеча  [42]");
    EXPECT_EQ(viewer->PictureSize(), QSize(64, 48));
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_TRUE(prompter.shown.empty());
    viewer->close();
}

TEST_F(PhotoViewerTest, AnyKeyClickOrDeactivationClosesAndDestroysIt) {
    struct Case {
        const char* name;
        std::function<void(ui::PhotoViewer*)> act;
    } cases[] = {
        {"Escape", [](ui::PhotoViewer* v) { QTest::keyClick(v, Qt::Key_Escape); }},
        {"arrow key", [](ui::PhotoViewer* v) { QTest::keyClick(v, Qt::Key_Right); }},
        {"letter", [](ui::PhotoViewer* v) { QTest::keyClick(v, Qt::Key_A); }},
        {"click", [](ui::PhotoViewer* v) { QTest::mouseClick(v, Qt::LeftButton); }},
        {"right click", [](ui::PhotoViewer* v) { QTest::mouseClick(v, Qt::RightButton); }},
        {"deactivation",
         [](ui::PhotoViewer* v) {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(v, &deactivate);
         }},
    };
    ui::PhotoViewerLauncher launcher;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(launcher.Show(Fixture("photo.jpg"), "x"), Result::Shown);
        QPointer<ui::PhotoViewer> viewer = launcher.Viewer();
        c.act(viewer);
        EXPECT_FALSE(launcher.IsOpen());
        FlushDeletes();
        EXPECT_TRUE(viewer.isNull()) << "the closed viewer is destroyed";
    }
}

TEST_F(PhotoViewerTest, SecondRequestWhileOpenDoesNothing) {
    ui::PhotoViewerLauncher launcher;
    ASSERT_EQ(launcher.Show(Fixture("photo.jpg"), "first"), Result::Shown);
    ui::PhotoViewer* first = launcher.Viewer();
    EXPECT_EQ(launcher.Show(Fixture("gray.jpg"), "second"), Result::AlreadyOpen);
    EXPECT_EQ(launcher.Viewer(), first);
    EXPECT_EQ(first->windowTitle(), "first");
    EXPECT_EQ(OpenViewers(), 1);

    // Once it is closed the next photo shows.
    first->close();
    EXPECT_EQ(launcher.Show(Fixture("gray.jpg"), "second"), Result::Shown);
    EXPECT_EQ(launcher.Viewer()->windowTitle(), "second");
    launcher.Viewer()->close();
}

TEST_F(PhotoViewerTest, MissingFileDoesNothing) {
    ui::PhotoViewerLauncher launcher;
    EXPECT_EQ(launcher.Show(Fixture("ZV_none.jpg"), "x"), Result::NoFile);
    EXPECT_EQ(launcher.Show("", "x"), Result::NoFile);
    EXPECT_FALSE(launcher.IsOpen());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(OpenViewers(), 0);
}

TEST_F(PhotoViewerTest, DamagedPhotoGivesTheMessageAndLeavesNoViewer) {
    ui::PhotoViewerLauncher launcher;
    for (const char* file : {"truncated.jpg", "notjpeg.jpg"}) {
        SCOPED_TRACE(file);
        prompter.Clear();
        const std::string path = Fixture(file);
        EXPECT_EQ(launcher.Show(path, "x"), Result::Failed);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].kind, ScriptedPrompter::Kind::Information);
        EXPECT_EQ(prompter.shown[0].text,
                  "Не удалось открыть " + QString::fromStdString(path) + " !");
        EXPECT_FALSE(launcher.IsOpen());
        EXPECT_EQ(OpenViewers(), 0);
    }
    // Nothing left blocks the next photo.
    EXPECT_EQ(launcher.Show(Fixture("photo.jpg"), "x"), Result::Shown);
    launcher.Viewer()->close();
}

TEST_F(PhotoViewerTest, PhotoLargerThanTheScreenIsShownWithinIt) {
    testing_support::TempFolder folder;
    const std::string path = folder.File("ZV1.jpg");
    QImage big(2400, 1600, QImage::Format_RGB32);
    big.fill(Qt::darkCyan);
    ASSERT_TRUE(big.save(QString::fromStdString(path), "JPG"));

    ui::PhotoViewerLauncher launcher;
    launcher.SetBound(QSize(800, 600));
    ASSERT_EQ(launcher.Show(path, "x"), Result::Shown);
    EXPECT_EQ(launcher.Viewer()->PictureSize(), QSize(800, 533));
    launcher.Viewer()->close();

    // By default the bound is the screen.
    ui::PhotoViewerLauncher onScreen;
    const QSize bound = onScreen.Bound();
    ASSERT_TRUE(bound.isValid());
    ASSERT_EQ(onScreen.Show(path, "x"), Result::Shown);
    const QSize shown = onScreen.Viewer()->PictureSize();
    EXPECT_LE(shown.width(), bound.width());
    EXPECT_LE(shown.height(), bound.height());
    onScreen.Viewer()->close();
}

}  // namespace
