#include "orders/QuantityEdit.h"

#include <QFocusEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace orders {

namespace {

// Width of the step buttons' column, in pixels.
constexpr int kStepButtonWidth = 16;

QToolButton* StepButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

}  // namespace

QuantityEdit::QuantityEdit(QWidget* parent)
    : QLineEdit(parent),
      stepUp_(StepButton(Qt::UpArrow, this)),
      stepDown_(StepButton(Qt::DownArrow, this)) {
    setValidator(new QIntValidator(0, kMaximum, this));
    setMaxLength(8);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stepUp_->setObjectName(QStringLiteral("StepUp"));
    stepDown_->setObjectName(QStringLiteral("StepDown"));
    // The text keeps clear of the buttons.
    setTextMargins(0, 0, kStepButtonWidth, 0);
    connect(stepUp_, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(stepDown_, &QToolButton::clicked, this, [this] { StepBy(-1); });
    connect(this, &QLineEdit::textChanged, this, &QuantityEdit::UpdateStepButtons);
    PlaceStepButtons();
    UpdateStepButtons();
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

void QuantityEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceStepButtons();
}

void QuantityEdit::PlaceStepButtons() {
    // Stacked inside the field's frame at its right edge, as a spin box
    // has them.
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int upper = inner.height() / 2;
    const int left = inner.right() - kStepButtonWidth + 1;
    stepUp_->setGeometry(left, inner.top(), kStepButtonWidth, upper);
    stepDown_->setGeometry(left, inner.top() + upper, kStepButtonWidth, inner.height() - upper);
}

void QuantityEdit::UpdateStepButtons() {
    const int value = Value();
    stepUp_->setEnabled(value < kMaximum);
    stepDown_->setEnabled(value > 0);
}

}  // namespace orders
