#include "ui/KeyListWindow.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/Prompter.h"

namespace ui {
namespace {

constexpr KeyListLine kLines[] = {
    {"Ctrl+Home", "- переход в начало таблицы;"},
    {"Ctrl+End", "- переход в конец таблицы;"},
    {"Home", "- переход в начало строки;"},
    {"End", "- переход в конец строки;"},
    {"Стрелки", "- перемещение по таблице;"},
    {"Enter", "- приступить к набору товара;"},
    {"Ctrl+Enter", "- посмотреть фотографию товара;"},
    {"Ctrl+Del", "- удалить выбранную позицию из формы заказа;"},
    {"Tab", "- перемещение между элементами окна вперед;"},
    {"Shift+Tab", "- перемещение между элементами окна назад;"},
    {"Ctrl+N", "- создать новый заказ;"},
    {"Ctrl+O", "- открыть существующий заказ;"},
};

}  // namespace

std::span<const KeyListLine> KeyListLines() {
    return kLines;
}

KeyListWindow::KeyListWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Клавиши управления"));
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, yellow.color(QPalette::ToolTipBase));
    yellow.setColor(QPalette::WindowText, yellow.color(QPalette::ToolTipText));
    setPalette(yellow);
    setAutoFillBackground(true);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    auto* table = new QGridLayout(frame);
    table->setHorizontalSpacing(16);
    int row = 0;
    for (const KeyListLine& line : kLines) {
        auto* key = new QLabel(QString::fromUtf8(line.key), frame);
        key->setObjectName(QStringLiteral("key%1").arg(row));
        auto* text = new QLabel(QString::fromUtf8(line.text), frame);
        text->setObjectName(QStringLiteral("text%1").arg(row));
        table->addWidget(key, row, 0);
        table->addWidget(text, row, 1);
        ++row;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    adjustSize();
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect area(QPoint(), size());
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }
}

void KeyListWindow::Run(QWidget* parent) {
    KeyListWindow window(parent);
    window.exec();
}

bool OpenHelpFile(const std::string& readmePath, const FileOpener& opener) {
    if (opener && opener(readmePath)) return true;
    CurrentPrompter().Information(
        QStringLiteral("Не удается открыть файл '%1'.").arg(QString::fromStdString(readmePath)));
    return false;
}

}  // namespace ui
