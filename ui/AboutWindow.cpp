#include "ui/AboutWindow.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/FixedDialog.h"
#include "ui/ProgramVersion.h"

namespace ui {

QString AboutWindow::VersionLine() {
    return QStringLiteral("Кронвел. Версия ") + ProgramVersion();
}

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral(" О программе"));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    auto* version = new QLabel(VersionLine(), frame);
    version->setObjectName(QStringLiteral("version"));
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    auto* description = new QLabel(
        QStringLiteral("Программа удаленного составления заказов по прайс-листу."), frame);
    description->setObjectName(QStringLiteral("description"));
    auto* framed = new QVBoxLayout(frame);
    framed->addWidget(version);
    framed->addWidget(description);

    // QDialog closes on Esc by itself (reject) and presses the default
    // button on Enter, so "OK" serves as both.
    LayOutFixedDialog(*this, frame, parent, QStringLiteral("&OK"));
}

void AboutWindow::Run(QWidget* parent) {
    AboutWindow window(parent);
    window.exec();
}

}  // namespace ui
