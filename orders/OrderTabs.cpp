#include "orders/OrderTabs.h"

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "core/FileExtension.h"
#include "core/OrderFiles.h"
#include "core/WriteTarget.h"
#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"
#include "ui/BusyCursor.h"
#include "ui/DataGrid.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

namespace {

using ui::BusyCursor;

constexpr intptr_t kSumTag = 1;
constexpr intptr_t kNameTag = 2;

// The path with `extension` (with its dot), unless it ends so already, in
// any letter case.
QString ForceExtension(const QString& path, const QString& extension) {
    return path.endsWith(extension, Qt::CaseInsensitive) ? path
                                                         : core::ChangeFileExt(path, extension);
}

// The tab strip: tabs as wide as their captions need, never narrower than
// kOrderTabWidth.
class OrderTabBar : public QTabBar {
  public:
    using QTabBar::QTabBar;

  protected:
    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        size.setWidth(std::max(size.width(), kOrderTabWidth));
        return size;
    }
};

// The close mark at a tab's left: a red disc with a white cross. Clicks go
// through to the tab strip, which tests them against the mark's geometry,
// so the mark answers exactly where it is drawn.
class CloseMark : public QWidget {
  public:
    explicit CloseMark(QWidget* parent = nullptr) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFixedSize(16, 16);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(QColor(0x8c, 0x1f, 0x17), 1));
        painter.setBrush(QColor(0xd2, 0x3b, 0x2f));
        painter.drawEllipse(disc);
        const QRectF cross = disc.adjusted(4.5, 4.5, -4.5, -4.5);
        painter.setPen(QPen(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    }
};

}  // namespace

QString OrderTabText(const QString& caption, const QFontMetrics& metrics, int maxWidth) {
    if (metrics.horizontalAdvance(caption) <= maxWidth) return caption;
    const qsizetype separator =
        std::max(caption.lastIndexOf(QLatin1Char('/')), caption.lastIndexOf(QLatin1Char('\\')));
    if (separator <= 0) return caption;
    const QString name = caption.mid(separator);  // with its separator
    const QString folder = caption.left(separator);
    const QString ellipsis(QChar(0x2026));
    const int room = maxWidth - metrics.horizontalAdvance(name);
    QString shortened = room > metrics.horizontalAdvance(ellipsis)
                            ? metrics.elidedText(folder, Qt::ElideMiddle, room)
                            : QString();
    if (shortened.isEmpty()) shortened = ellipsis;
    return shortened + name;
}

QString DamagedOrderText() {
    return QStringLiteral("Файл заявки имеет недопустимое имя или поврежден.");
}

QString RequisitesCutText(const QString& settingsFile) {
    return QStringLiteral(
               "Реквизиты из файла '%1' не помещаются в заявку целиком: в заявку записано "
               "только их начало.")
        .arg(settingsFile);
}

OrderTabs::OrderTabs(core::DataModule& dm, QWidget* parent)
    : QWidget(parent),
      dm_(dm),
      session_(dm),
      pgcOrders_(new OrderTabBar(this)),
      grid_(new ui::DataGrid(this)) {
    setObjectName(QStringLiteral("PanelOrder"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pgcOrders_->setObjectName(QStringLiteral("pgcOrders"));
    pgcOrders_->setFocusPolicy(Qt::NoFocus);
    pgcOrders_->setExpanding(false);
    // The tab texts are shortened by OrderTabText only, which keeps the
    // file name whole; tabs that do not fit scroll.
    pgcOrders_->setElideMode(Qt::ElideNone);
    pgcOrders_->setUsesScrollButtons(true);
    pgcOrders_->installEventFilter(this);
    layout->addWidget(pgcOrders_);

    grid_->setObjectName(QStringLiteral("DBGridEhOrder"));
    grid_->SetFilterRowVisible(false);
    grid_->SetFooterVisible(true);
    grid_->SetReadOnly(true);
    grid_->SetHint(QStringLiteral(
        "Форма заявки| Выберите товар и нажмите Enter для набора, Ctrl+Del для удаления"));
    layout->addWidget(grid_, 1);

    // The footer finds the sum column by its field's tag.
    if (ridov::Field* sum = dm_.qvZayavka.FindField("SUM")) sum->tag = kSumTag;
    grid_->SetDataSource(&dm_.dsZayavka);
    connect(grid_, &ui::DataGrid::titleClicked, grid_, &ui::DataGrid::SortByTitle);

    connect(pgcOrders_, &QTabBar::currentChanged, this, [this](int index) {
        if (switching_) return;
        if (index >= 0) session_.SetActive(index);
        TabChanged();
    });
}

OrderTabs::~OrderTabs() {
    // The grid goes before the view it shows is closed by the data module.
    grid_->SetDataSource(nullptr);
}

// ---- columns ----

void OrderTabs::SetupOrderColumns() {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    struct Column {
        const char* field;
        const char* title;
        int width;
    };
    static const Column kColumns[] = {
        {"No", "№", 3},
        {"ID", "Код", 8},
        {"NAME", "Наименование товара", 45},
        {"EDIZM", "Единица Измерения", 20},
        {"CENA", "Цена", 10},
        {"KOL", "Количество", 8},
        {"SUM", "Сумма", 10},
    };
    if (ridov::Field* name = q.FindField("NAME")) name->tag = kNameTag;
    if (ridov::Field* price = q.FindField("CENA")) price->displayFormat = "0.00";
    std::vector<ui::GridColumn> columns;
    for (const Column& c : kColumns) {
        ui::GridColumn column;
        column.fieldName = c.field;
        column.title = QString::fromUtf8(c.title);
        column.displayWidth = c.width;
        column.rowNumber = std::string_view(c.field) == "No";
        // A product missing from the catalog has no price and no sum.
        column.blankZero = std::string_view(c.field) == "CENA";
        if (std::string_view(c.field) == "NAME")
            column.emptyText = QStringLiteral("<Отсутствует в каталоге>");
        columns.push_back(std::move(column));
    }
    grid_->SetColumns(std::move(columns));
}

void OrderTabs::SetupOrderFooter() {
    const QColor color = palette().color(QPalette::Active, QPalette::Mid);
    grid_->SetFooterColor(color);
    const int lines = TabLineCount(ActiveIndex());
    for (int column = 0; column < grid_->ColumnCount(); ++column) {
        ridov::Field* field = grid_->ColumnField(column);
        if (field == nullptr) continue;
        if (field->tag == kSumTag) grid_->SetFooterSum(column);
        if (field->tag == kNameTag)
            grid_->SetFooterText(column, QStringLiteral("Итого(%1):").arg(lines));
    }
}

// ---- tabs ----

QString OrderTabs::TabCaption(int index) const {
    if (index < 0 || index >= Count()) return {};
    const QString path = session_.At(index).path;
    const QString name = QFileInfo(path).fileName();
    return dm_.ProgramDir + name == path ? name : path;
}

QRect OrderTabs::CloseMarkRect(int index) const {
    if (index < 0 || index >= Count()) return {};
    const QWidget* mark = pgcOrders_->tabButton(index, QTabBar::LeftSide);
    return mark != nullptr ? mark->geometry() : QRect();
}

int OrderTabs::TabLineCount(int index) const {
    return index >= 0 && index < Count() ? session_.At(index).lines : 0;
}

void OrderTabs::AddOrderTab(const QString& path) {
    session_.Add(path);
    ShowNewTab(path);
}

void OrderTabs::ShowNewTab(const QString& path) {
    switching_ = true;
    const int index = pgcOrders_->addTab(QString());
    pgcOrders_->setTabButton(index, QTabBar::LeftSide, new CloseMark(pgcOrders_));
    pgcOrders_->setTabToolTip(index, path);
    pgcOrders_->setCurrentIndex(index);
    switching_ = false;
    ShowActiveCaption();
    ShowTabs();
}

void OrderTabs::ShowActiveCaption() {
    const int index = ActiveIndex();
    if (index < 0) return;
    pgcOrders_->setTabToolTip(index, TabPath(index));
    pgcOrders_->setTabText(
        index, OrderTabText(TabCaption(index), pgcOrders_->fontMetrics(), kOrderTabTextWidth));
}

void OrderTabs::RemoveTab(int index) {
    switching_ = true;
    pgcOrders_->removeTab(index);
    if (session_.Active() >= 0) pgcOrders_->setCurrentIndex(session_.Active());
    switching_ = false;
}

void OrderTabs::CloseOrderTab(int index) {
    if (index < 0 || index >= Count()) return;
    session_.Close(index);
    RemoveTab(index);
    if (lastTabIndex_ >= Count()) lastTabIndex_ = Count() > 0 ? Count() - 1 : 0;
    ShowTabs();
}

void OrderTabs::OpenOrder(const QString& path) {
    const int index = FindOrderTab(path);
    if (index >= 0) {
        session_.SetActive(index);
        switching_ = true;
        pgcOrders_->setCurrentIndex(index);
        switching_ = false;
        TabChanged();
        return;
    }
    AddOrderTab(path);
    RefreshOrder();
}

void OrderTabs::TabChanged() {
    if (Count() == 0) {
        ShowTabs();
        return;
    }
    RefreshOrder();
}

void OrderTabs::ShowTabs() {
    if (Count() == 0 && onViewOrders) onViewOrders(false);
    if (onOrdersChanged) onOrdersChanged();
}

// ---- the order view ----

void OrderTabs::RefreshOrder(const std::string& productId) {
    if (ActiveIndex() < 0) return;
    // Repaint what is pending before the work starts.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    BusyCursor busy;
    try {
        session_.Refresh(productId, [this] {
            SetupOrderColumns();
            SetupOrderFooter();
        });
        if (onViewOrders) onViewOrders(true);
    } catch (const std::exception& error) {
        dm_.LastError = core::MakeLastError(error);
        ui::CurrentPrompter().Error(DamagedOrderText(), core::LastErrorDetails(dm_.LastError));
        CloseActiveOrder();
        return;
    }
    if (onOrdersChanged) onOrdersChanged();
}

// ---- commands ----

void OrderTabs::NewOrder() {
    ShowNewTab(session_.NewOrder());
    RefreshOrder();
    NoteRequisitesCut();
}

void OrderTabs::StampActiveOrder() {
    session_.Stamp();
    NoteRequisitesCut();
}

void OrderTabs::NoteRequisitesCut() {
    if (session_.TakeRequisitesCutNotice())
        ui::CurrentPrompter().Warning(RequisitesCutText(dm_.SettingsFile));
}

void OrderTabs::OpenOrders() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(
        QStringLiteral("Открыть"), dm_.ProgramDir, QStringLiteral("Файлы заявок (*.zv)"));
    for (const QString& file : files) OpenOrder(file);
}

void OrderTabs::CloseActiveOrder() {
    CloseOrderTab(ActiveIndex());
    TabChanged();
}

void OrderTabs::CloseActiveOrderAsk() {
    const int index = ActiveIndex();
    if (index < 0) return;
    if (ui::CurrentPrompter().ConfirmYesNo(
            QStringLiteral("Закрыть заявку %1 ?").arg(TabCaption(index))))
        CloseActiveOrder();
}

void OrderTabs::CloseAll() {
    for (int i = Count() - 1; i >= 0; --i) CloseOrderTab(i);
}

void OrderTabs::SaveOrderAs(const std::function<void(const QString& path)>& exportSpreadsheet) {
    if (Count() == 0) return;
    QString filters = QStringLiteral("Файлы заявок (*.zv)");
    if (exportSpreadsheet) filters += QStringLiteral(";;Файлы MS Excel (*.xls)");
    int type = 0;
    QString name = ui::CurrentPrompter().SaveFileNameOfType(QStringLiteral(" Сохранить как"),
                                                            dm_.ProgramDir, filters, type);
    if (name.isEmpty()) return;
    // The file type chosen decides the format and gives the name its
    // extension; a name typed with the extension of an offered type says
    // which one is meant.
    const QString suffix = QFileInfo(name).suffix();
    bool spreadsheet = exportSpreadsheet && type == 1;
    if (suffix.compare(QLatin1String("zv"), Qt::CaseInsensitive) == 0)
        spreadsheet = false;
    else if (exportSpreadsheet && suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        spreadsheet = true;
    name = ForceExtension(name, spreadsheet ? QStringLiteral(".xls") : QStringLiteral(".zv"));
    if (platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(name)) &&
        !ui::CurrentPrompter().ConfirmYesNo(
            QStringLiteral("Файл '%1' уже существует. Перезаписать его ?").arg(name)))
        return;
    core::CheckWriteTarget(core::DataModule::EnginePath(name));
    if (spreadsheet) {
        exportSpreadsheet(name);
        return;
    }
    const int other = FindOrderTab(name);
    const int active = ActiveIndex();
    session_.SaveAs(name);
    // That tab showed the file just written: it is forgotten, the file kept.
    if (other != -1 && other != active) RemoveTab(other);
    ShowActiveCaption();
    RefreshOrder();
}

// ---- the tab strip's mouse ----

void OrderTabs::TabMouseReleased(int x, int y) {
    const int k = pgcOrders_->tabAt(QPoint(x, y));
    if (k < 0) return;
    if (k != lastTabIndex_) {
        // The click only selected the tab.
        lastTabIndex_ = k;
        return;
    }
    if (CloseMarkRect(k).contains(x, y)) CloseActiveOrderAsk();
}

bool OrderTabs::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pgcOrders_ && event->type() == QEvent::MouseButtonPress) {
        // The tab active before the press: a click on another tab only
        // selects it, whatever it hits.
        lastTabIndex_ = pgcOrders_->currentIndex();
    } else if (watched == pgcOrders_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QPoint p = mouse->position().toPoint();
            TabMouseReleased(p.x(), p.y());
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orders
