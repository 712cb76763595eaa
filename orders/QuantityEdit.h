// The quantity field of the order dialog: whole numbers 0 and up, at most
// eight digits, right-aligned. Up/Down and PgUp/PgDn change the value by
// one within the bounds; activation selects the whole text so that typing
// replaces it; an empty text becomes "0" when the focus leaves.
#pragma once

#include <QLineEdit>

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

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace orders
