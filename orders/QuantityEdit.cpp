#include "orders/QuantityEdit.h"

#include <QFocusEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>

namespace orders {

QuantityEdit::QuantityEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new QIntValidator(0, kMaximum, this));
    setMaxLength(8);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int QuantityEdit::Value() const {
    bool ok = false;
    int v = text().toInt(&ok);
    return ok ? v : 0;
}

void QuantityEdit::SetValue(int value) {
    setText(QString::number(std::clamp(value, 0, kMaximum)));
}

void QuantityEdit::StepBy(int delta) {
    long long v = static_cast<long long>(Value()) + delta;
    SetValue(static_cast<int>(std::clamp<long long>(v, 0, kMaximum)));
    selectAll();
}

void QuantityEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            StepBy(1);
            return;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            StepBy(-1);
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

void QuantityEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Selected after the click that focused the field has been handled, so
    // that the click does not drop the selection again.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void QuantityEdit::focusOutEvent(QFocusEvent* event) {
    if (text().isEmpty()) setText(QStringLiteral("0"));
    QLineEdit::focusOutEvent(event);
}

}  // namespace orders
