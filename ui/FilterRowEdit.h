// FilterRowEdit: the line edit of one filter-row cell, with a drop-down
// button (also Alt+Down and F4) that opens the cell's value list. The list
// logic is FilterRowCell's; this class only shows it.
//
// Enter in the edit emits confirmed() and goes no further: the grid under
// the filter row never sees it, and the focus stays in the cell. Picking an
// entry of the list puts its text into the edit and emits picked(). Either
// means "apply the filter".
//
// Thread safety: GUI thread only.
#pragma once

#include <QLineEdit>

#include "ui/FilterRowCell.h"

class QCompleter;
class QStandardItemModel;

namespace ui {

class FilterRowEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit FilterRowEdit(QWidget* parent = nullptr);

    FilterRowCell& Cell() { return cell_; }
    const FilterRowCell& Cell() const { return cell_; }
    // Sets text and cell without emitting anything.
    void SetCellText(const QString& text);

    // Opens the drop-down list for the current text.
    void OpenList();
    bool ListOpen() const;
    // Picks entry `index` of the list shown (as a click on it would).
    void PickShown(int index);

  signals:
    void confirmed();
    void picked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnTextEdited(const QString& text);
    void ShowList();

    FilterRowCell cell_;
    QCompleter* completer_;
    QStandardItemModel* listModel_;
};

}  // namespace ui
