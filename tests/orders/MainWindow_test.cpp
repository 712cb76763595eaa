// The main window as a customer drives it, shown on the offscreen screen:
// keys in the catalog and its filter row, the order tabs' captions and
// close marks, the settings dialog's effect on the open order, and the
// help menu.
#include "orders/MainWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "app/SettingsDialog.h"
#include "orders/CatalogView.h"
#include "platform/NativePlatform.h"
#include "qtsupport/MainWindowFixture.h"
#include "ui/FilterRowEdit.h"
#include "ui/FilterRowHeader.h"
#include "ui/PhotoViewer.h"

namespace {

using testing_support::Exists;
using testing_support::OrderLines;
using testing_support::TempFolder;
using testing_support::WriteOrder;

// Rejects every modal dialog that opens while it lives and keeps their
// captions: a dialog nobody expected must not wait for a person.
class ModalCloser {
  public:
    ModalCloser() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen << dialog->windowTitle();
                dialog->reject();
            }
        });
        timer_.start();
    }
    QStringList seen;

  private:
    QTimer timer_;
};

// The real platform, except that opening a file with its program is only
// recorded.
class OpenRecorder : public platform::NativePlatform {
  public:
    bool OpenWithAssociatedProgram(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::vector<std::string> opened;
};

// Makes a platform the process's for its lifetime.
class ScopedPlatform {
  public:
    explicit ScopedPlatform(platform::Platform& os)
        : previous_(platform::SetCurrentPlatform(&os)) {}
    ~ScopedPlatform() { platform::SetCurrentPlatform(previous_); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

  private:
    platform::Platform* previous_;
};

class MainWindowTest : public testing_support::MainWindowTest {
  protected:
    // The window on screen and active, as the customer has it.
    void ShowActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    ui::DataGrid* Catalog() const { return window->CatalogView()->Grid(); }
    ui::FilterRowEdit* FilterCell(const char* field) const {
        auto* header = qobject_cast<ui::FilterRowHeader*>(Catalog()->View().horizontalHeader());
        return header->Edit(Catalog()->ColumnOfField(field));
    }
    // The visible photo viewer, or null.
    static ui::PhotoViewer* ShownViewer() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* viewer = qobject_cast<ui::PhotoViewer*>(w); viewer && viewer->isVisible())
                return viewer;
        return nullptr;
    }
};

// ---- the catalog's keys ----

// Enter in a filter cell applies the filter and nothing else: no quantity
// dialog for the first product that passes, no order, and the focus stays.
TEST_F(MainWindowTest, EnterInAFilterCellOnlyFilters) {
    ShowActive();
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    for (const Case& c : {Case{"Return", Qt::Key_Return, Qt::NoModifier},
                          Case{"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier}}) {
        SCOPED_TRACE(c.name);
        ui::FilterRowEdit* cell = FilterCell("ID");
        cell->setFocus();
        cell->clear();
        ModalCloser closer;
        QTest::keyClicks(cell, "P1");
        QTest::keyClick(cell, c.key, c.modifiers);
        EXPECT_EQ(dm->vtPrice.Filter(), "ID LIKE 'P1*'");
        EXPECT_EQ(dm->vtPrice.RecordCount(), 1);
        // What the customer typed next, a number and Enter, stays in the cell.
        QTest::keyClicks(cell, "5");
        QTest::keyClick(cell, c.key, c.modifiers);
        EXPECT_EQ(dm->vtPrice.Filter(), "ID LIKE 'P15*'");
        EXPECT_TRUE(cell->hasFocus());
        EXPECT_EQ(closer.seen, QStringList());
        EXPECT_EQ(tabs->Count(), 0);
        EXPECT_FALSE(Exists(File("Zakaz1.zv")));
    }
    // Enter on the grid itself still adds the current product.
    FilterCell("ID")->clear();
    window->CatalogView()->ApplySTFilter();
    Catalog()->View().setFocus();
    ModalCloser closer;
    QTest::keyClick(&Catalog()->View(), Qt::Key_Return);
    EXPECT_EQ(closer.seen, QStringList{"Свеча"});
    EXPECT_TRUE(prompter.shown.empty());
}

// Ctrl+Enter (either Enter key) shows the current product's photo, as the
// key list says; the repeats of the held keys leave the photo shown.
TEST_F(MainWindowTest, CtrlEnterShowsTheCurrentProductsPhoto) {
    std::filesystem::create_directory(File("foto"));
    std::filesystem::copy_file(std::string(ZV_TEST_DATA_DIR) + "/jpeg/photo.jpg",
                               File("foto/ZVP1.jpg"));
    dm->FotoDir = QFile("foto");
    ASSERT_TRUE(dm->vtPrice.Locate("ID", ridov::Variant(std::string("P1")), 0));
    ShowActive();
    window->AppIdle();
    ASSERT_TRUE(window->Actions().ActionSlide->isEnabled());

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        ASSERT_EQ(ShownViewer(), nullptr);
        Catalog()->View().setFocus();
        ModalCloser closer;
        const Qt::KeyboardModifiers modifiers =
            key == Qt::Key_Enter ? Qt::ControlModifier | Qt::KeypadModifier : Qt::ControlModifier;
        QTest::keyClick(&Catalog()->View(), key, modifiers);
        QPointer<ui::PhotoViewer> viewer = ShownViewer();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->windowTitle(), "Фильтр  [P1]");
        QKeyEvent repeat(QEvent::KeyPress, key, modifiers, QString(), true);
        QApplication::sendEvent(viewer, &repeat);
        EXPECT_TRUE(viewer->isVisible());
        QTest::keyClick(viewer, Qt::Key_Space);
        EXPECT_TRUE(viewer.isNull() || !viewer->isVisible());
        EXPECT_EQ(closer.seen, QStringList());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ShowActive();
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(tabs->Count(), 0);
}

// ---- the order tabs ----

// A tab shows its whole file name; a long folder is shortened in the
// middle, the question still names the whole path; tabs that do not fit
// scroll.
TEST_F(MainWindowTest, TabsShowWholeFileNamesAndScrollWhenTheyDoNotFit) {
    const char* longName = "Zakaz_dlya_filiala_na_Leninskom_prospekte_2024.zv";
    WriteOrder(File(longName), {{"P1", 1}});
    TempFolder other;
    const std::string deep =
        other.Path() + "/zakazy_klientov_za_dekabr_mesyac/filial_nomer_dva_na_okraine/";
    std::filesystem::create_directories(deep);
    WriteOrder(deep + "Zakaz9.zv", {{"P2", 1}});
    ShowActive();
    window->resize(600, 600);
    tabs->OpenOrder(QFile(longName));
    tabs->OpenOrder(QString::fromStdString(deep + "Zakaz9.zv"));
    QApplication::processEvents();

    QTabBar* bar = window->OrderTabs();
    const QFontMetrics metrics = bar->fontMetrics();
    EXPECT_EQ(bar->tabText(0), longName);
    EXPECT_GE(bar->tabRect(0).width(), metrics.horizontalAdvance(longName));
    EXPECT_EQ(bar->elideMode(), Qt::ElideNone);

    const QString path = QString::fromStdString(deep + "Zakaz9.zv");
    const QString shown = bar->tabText(1);
    EXPECT_TRUE(shown.endsWith("/Zakaz9.zv")) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(path.left(4))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), orders::kOrderTabTextWidth);
    EXPECT_GE(bar->tabRect(1).width(), metrics.horizontalAdvance(shown));
    EXPECT_EQ(tabs->TabCaption(1), path);
    prompter.answers.push_back(ui::Prompter::Answer::No);
    window->Actions().ActionCloseOrderAsk->trigger();
    EXPECT_EQ(prompter.Texts(), QStringList{"Закрыть заявку " + path + " ?"});

    // More tabs than the strip holds: the scroll buttons show.
    for (const char* name : {"Zakaz_nomer_odin.zv", "Zakaz_nomer_dva.zv", "Zakaz_nomer_tri.zv"}) {
        WriteOrder(File(name), {{"P1", 1}});
        tabs->OpenOrder(QFile(name));
    }
    QApplication::processEvents();
    int scrollButtons = 0;
    for (QToolButton* button : bar->findChildren<QToolButton*>())
        if (button->isVisible()) ++scrollButtons;
    EXPECT_EQ(scrollButtons, 2);
    for (int i = 0; i < tabs->Count(); ++i)
        EXPECT_TRUE(bar->tabText(i).endsWith(QFileInfo(tabs->TabPath(i)).fileName()));
}

// The close mark answers exactly where it is drawn: every point of the red
// cross of the active tab asks, points beside it do not; the mark of
// another tab only selects that tab.
TEST_F(MainWindowTest, CloseMarkAnswersWhereItIsDrawn) {
    WriteOrder(File("a.zv"), {{"P1", 1}});
    WriteOrder(File("b.zv"), {{"P2", 1}});
    ShowActive();
    tabs->OpenOrder(QFile("a.zv"));
    tabs->OpenOrder(QFile("b.zv"));
    QApplication::processEvents();
    QTabBar* bar = window->OrderTabs();
    ASSERT_EQ(bar->currentIndex(), 1);

    // The red of the cross as the strip is painted, within a tab.
    const QImage image = bar->grab().toImage();
    const auto redBounds = [&image](const QRect& tab) {
        QRect bounds;
        for (int y = tab.top(); y <= tab.bottom(); ++y) {
            for (int x = tab.left(); x <= tab.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 120 && c.green() < 90 && c.blue() < 90)
                    bounds = bounds.united(QRect(x, y, 1, 1));
            }
        }
        return bounds;
    };
    const QRect cross = redBounds(bar->tabRect(1));
    ASSERT_FALSE(cross.isEmpty());
    EXPECT_TRUE(tabs->CloseMarkRect(1).contains(cross));

    const QString question = "Закрыть заявку b.zv ?";
    for (const QPoint at : {cross.center(), cross.topLeft(), cross.topRight(), cross.bottomLeft(),
                            cross.bottomRight()}) {
        SCOPED_TRACE(at.x() * 1000 + at.y());
        prompter.Clear();
        prompter.answers.push_back(ui::Prompter::Answer::No);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(prompter.Texts(), QStringList{question});
    }
    for (const QPoint at : {QPoint(cross.right() + 3, cross.center().y()),
                            QPoint(cross.center().x(), bar->tabRect(1).bottom())}) {
        SCOPED_TRACE(at.x() * 1000 + at.y());
        prompter.Clear();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(prompter.Texts(), QStringList());
    }

    // The mark of the other tab selects it; a second click asks, and Yes
    // closes it.
    prompter.Clear();
    const QPoint otherMark = redBounds(bar->tabRect(0)).center();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, otherMark);
    EXPECT_EQ(prompter.Texts(), QStringList());
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
    prompter.answers.push_back(ui::Prompter::Answer::Yes);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, otherMark);
    EXPECT_EQ(prompter.Texts(), QStringList{"Закрыть заявку a.zv ?"});
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->ActivePath(), QFile("b.zv"));
}

// ---- the settings dialog ----

// After the settings dialog the active order is stamped with the stored
// requisites and shown anew with its footer.
TEST_F(MainWindowTest, SettingsRefreshTheOpenOrder) {
    WriteOrder(File("a.zv"), {{"P1", 1}});
    tabs->OpenOrder(QFile("a.zv"));
    ASSERT_EQ(tabs->Grid()->Model().rowCount(), 1);
    // A line the grid does not show yet.
    WriteOrder(File("a.zv"), {{"P1", 1}, {"P2", 2}});

    app::SettingsDialog* params = window->FormParams();
    QTimer::singleShot(0, [params] {
        ASSERT_TRUE(params->isVisible());
        params->EditNameFirm()->setText("Новая фирма");
        params->OkButton()->click();
    });
    window->Actions().ActionParams->trigger();

    EXPECT_EQ(window->windowTitle(), "Заявка по каталогу - Новая фирма");
    ridov::TRidovTable order;
    order.SetTableName(File("a.zv"));
    order.Open();
    EXPECT_NE(order.Comment().find(text::Utf8ToCp1251("Klient=Новая фирма\r\n")),
              std::string::npos);
    EXPECT_NE(order.Comment().find("catalog=price.zv\r\n"), std::string::npos);
    order.Close();
    EXPECT_EQ(tabs->Grid()->Model().rowCount(), 2);
    EXPECT_EQ(tabs->Grid()->FooterText(tabs->Grid()->ColumnOfField("NAME")), "Итого(2):");
    EXPECT_EQ(OrderLines(File("a.zv")), (std::vector<std::string>{"P1=1", "P2=2"}));

    // Cancel stores nothing and stamps nothing, but still shows the order
    // as it is on disk.
    WriteOrder(File("a.zv"), {{"P1", 1}});
    QTimer::singleShot(0, [params] {
        params->EditNameFirm()->setText("Отменённая");
        params->CancelButton()->click();
    });
    window->Actions().ActionParams->trigger();
    order.Open();
    EXPECT_EQ(order.Comment().find(text::Utf8ToCp1251("Отменённая")), std::string::npos);
    EXPECT_EQ(tabs->Grid()->Model().rowCount(), 1);
    EXPECT_TRUE(prompter.shown.empty());
}

// ---- the help menu ----

TEST_F(MainWindowTest, HelpMenuHasTheKeyListTheAboutWindowAndF1) {
    OpenRecorder os;
    ScopedPlatform use(os);
    ShowActive();
    QMenu* help = nullptr;
    for (QAction* entry : window->menuBar()->actions())
        if (entry->text() == "&Помощь") help = entry->menu();
    ASSERT_NE(help, nullptr);
    QStringList entries;
    for (QAction* entry : help->actions())
        if (!entry->isSeparator()) entries << entry->text();
    EXPECT_EQ(entries.mid(0, 2), (QStringList{"Показать справку", "Клавиши управления"}));
    EXPECT_EQ(entries.back(), "О программе...");

    ModalCloser closer;
    for (QAction* entry : help->actions())
        if (entry->text() == "Клавиши управления" || entry->text() == "О программе...")
            entry->trigger();
    EXPECT_EQ(closer.seen, (QStringList{"Клавиши управления", " О программе"}));

    ShowActive();
    Catalog()->View().setFocus();
    QTest::keyClick(&Catalog()->View(), Qt::Key_F1);
    EXPECT_EQ(os.opened, std::vector<std::string>{File("readme.txt")});
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
