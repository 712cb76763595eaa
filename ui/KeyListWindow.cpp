#include "ui/KeyListWindow.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/FixedDialog.h"
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

    LayOutFixedDialog(*this, frame, parent, QStringLiteral("OK"));
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
