#include "ui/FilterRowEdit.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QIcon>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QStyle>

namespace ui {

namespace {

// The drop-down arrow, looked up once: the style looks for it in every
// folder of the icon theme first, thousands of file checks that each cell
// of the filter row repeated at every start. Kept for the whole run.
const QIcon& DropArrow(const QStyle& style) {
    static const QIcon* const arrow = new QIcon(style.standardIcon(QStyle::SP_ArrowDown));
    return *arrow;
}

}  // namespace

FilterRowEdit::FilterRowEdit(QWidget* parent)
    : QLineEdit(parent),
      completer_(new QCompleter(this)),
      listModel_(new QStandardItemModel(this)) {
    // The cell narrows the list itself (with its own cap and keys), so the
    // completer shows the model as it is.
    completer_->setModel(listModel_);
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setMaxVisibleItems(16);
    completer_->setWidget(this);
    connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) { PickShown(index.row()); });

    QAction* drop = addAction(DropArrow(*style()), QLineEdit::TrailingPosition);
    connect(drop, &QAction::triggered, this, [this] {
        setFocus();
        OpenList();
    });
    connect(this, &QLineEdit::textEdited, this, &FilterRowEdit::OnTextEdited);
}

void FilterRowEdit::SetCellText(const QString& text) {
    cell_.SetText(text);
    setText(text);
}

void FilterRowEdit::OpenList() {
    cell_.SetText(text());
    if (!cell_.HasProvider()) return;
    cell_.OpenList();
    ShowList();
}

bool FilterRowEdit::ListOpen() const {
    return completer_->popup() != nullptr && completer_->popup()->isVisible();
}

void FilterRowEdit::PickShown(int index) {
    const std::vector<FilterChoice>& shown = cell_.List();
    if (index < 0 || index >= int(shown.size())) return;
    FilterChoice choice = shown[size_t(index)];
    cell_.Pick(choice);
    cell_.CloseList();
    if (completer_->popup()) completer_->popup()->hide();
    setText(choice.text);
    emit picked();
}

void FilterRowEdit::keyPressEvent(QKeyEvent* event) {
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (altDown || event->key() == Qt::Key_F4) {
        OpenList();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !ListOpen()) {
        // Enter belongs to the cell: taken here, it never reaches the grid
        // under the filter row, where it would start an action on the
        // current row. (With the list open, the list takes it as a pick.)
        event->accept();
        emit confirmed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FilterRowEdit::OnTextEdited(const QString& text) {
    cell_.SetText(text);
    if (!ListOpen()) return;
    cell_.NarrowList();
    ShowList();
}

void FilterRowEdit::ShowList() {
    listModel_->clear();
    for (const FilterChoice& e : cell_.List()) listModel_->appendRow(new QStandardItem(e.text));
    if (listModel_->rowCount() == 0) {
        if (completer_->popup()) completer_->popup()->hide();
        return;
    }
    completer_->complete(QRect(0, 0, qMax(width(), 160), height()));
}

}  // namespace ui
