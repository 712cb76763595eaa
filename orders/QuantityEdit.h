// The quantity field of the order dialog: whole numbers 0 and up, at most
// eight digits, right-aligned. Up/Down and PgUp/PgDn change the value by
// one within the bounds; activation selects the whole text so that typing
// replaces it; an empty text becomes "0" when the focus leaves.
//
// Like a spin box, the field carries a pair of step buttons at its right
// edge that do what Up and Down do, for the mouse; they never take the
// focus, so the keys keep working in the field after a click, and each
// greys out at its bound.
#pragma once

#include <QLineEdit>

class QToolButton;

namespace orders {

class QuantityEdit : public QLineEdit {
    Q_OBJECT
  public:
    // Eight digits: the largest value the field can show.
    static constexpr int kMaximum = 99999999;

    explicit QuantityEdit(QWidget* parent = nullptr);

    // The text as a whole number; 0 when it is empty or no number.
    int Value() const;
    void SetValue(int value);
    // Adds `delta` to the value, kept within 0..kMaximum.
    void StepBy(int delta);

    // The step buttons (up: +1, down: -1).
    QToolButton* StepUpButton() const { return stepUp_; }
    QToolButton* StepDownButton() const { return stepDown_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceStepButtons();
    void UpdateStepButtons();

    QToolButton* stepUp_;
    QToolButton* stepDown_;
};

}  // namespace orders
