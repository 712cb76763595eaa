#include "ui/FixedDialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ui {

void LayOutFixedDialog(QDialog& dialog, QWidget* content, QWidget* parent,
                       const QString& okCaption) {
    auto* ok = new QPushButton(okCaption, &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(content);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    dialog.adjustSize();
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect area(QPoint(), dialog.size());
        area.moveCenter(screen->availableGeometry().center());
        dialog.move(area.topLeft());
    }
}

}  // namespace ui
