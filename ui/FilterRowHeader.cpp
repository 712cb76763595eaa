#include "ui/FilterRowHeader.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>
#include <algorithm>

#include "engine/text/Win1251.h"
#include "ui/DatasetModel.h"
#include "ui/FilterRowEdit.h"

namespace ui {

namespace {

// The title broken into at most two lines at blanks; what does not fit the
// second line is elided.
QString TwoLines(const QString& title, const QFontMetrics& fm, int width) {
    if (width <= 0 || fm.horizontalAdvance(title) <= width) return title;
    const QStringList words = title.split(' ', Qt::SkipEmptyParts);
    QString first;
    int used = 0;
    for (; used < words.size(); ++used) {
        QString candidate = first.isEmpty() ? words[used] : first + ' ' + words[used];
        if (!first.isEmpty() && fm.horizontalAdvance(candidate) > width) break;
        first = candidate;
    }
    first = fm.elidedText(first, Qt::ElideRight, width);
    if (used >= words.size()) return first;
    QString rest = words.mid(used).join(' ');
    return first + '\n' + fm.elidedText(rest, Qt::ElideRight, width);
}

}  // namespace

FilterRowHeader::FilterRowHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignCenter);
    editHeight_ = FilterRowEdit().sizeHint().height();
    connect(this, &QHeaderView::sectionResized, this, &FilterRowHeader::UpdateCellGeometry);
    connect(this, &QHeaderView::sectionCountChanged, this, &FilterRowHeader::RebuildCells);
}

void FilterRowHeader::SetDatasetModel(DatasetModel* model) {
    if (datasetModel_ != nullptr) disconnect(datasetModel_, nullptr, this, nullptr);
    datasetModel_ = model;
    if (model != nullptr) {
        connect(model, &QAbstractItemModel::modelReset, this, &FilterRowHeader::RebuildCells);
        connect(model, &QAbstractItemModel::columnsMoved, this, &FilterRowHeader::RebuildCells);
    }
    RebuildCells();
}

std::string FilterRowHeader::KeyOf(int column) const {
    if (datasetModel_ == nullptr || column < 0 || column >= int(datasetModel_->Columns().size())) {
        return {};
    }
    return text::Upper(datasetModel_->Columns()[size_t(column)].fieldName);
}

void FilterRowHeader::RebuildCells() {
    byColumn_.clear();
    const int columns = datasetModel_ != nullptr ? int(datasetModel_->Columns().size()) : 0;
    for (int c = 0; c < columns; ++c) {
        std::string key = KeyOf(c);
        FilterRowEdit*& edit = edits_[key];
        if (edit == nullptr) {
            edit = new FilterRowEdit(viewport());
            connect(edit, &FilterRowEdit::confirmed, this, [this, edit] {
                auto it = std::find(byColumn_.begin(), byColumn_.end(), edit);
                if (it != byColumn_.end()) emit filterApplied(int(it - byColumn_.begin()));
            });
            connect(edit, &FilterRowEdit::picked, this, [this, edit] {
                auto it = std::find(byColumn_.begin(), byColumn_.end(), edit);
                if (it != byColumn_.end()) emit filterApplied(int(it - byColumn_.begin()));
            });
        }
        byColumn_.push_back(edit);
    }
    // Only the cells of fields no longer shown are hidden: hiding the
    // others, even for a moment, would take the focus from the cell being
    // typed into whenever a filter rebuilds the view.
    for (auto& entry : edits_) {
        if (std::find(byColumn_.begin(), byColumn_.end(), entry.second) == byColumn_.end())
            entry.second->hide();
    }
    UpdateCellGeometry();
}

FilterRowEdit* FilterRowHeader::Edit(int column) const {
    return column >= 0 && column < int(byColumn_.size()) ? byColumn_[size_t(column)] : nullptr;
}

void FilterRowHeader::SetProvider(int column, FilterValueProvider provider, FilterListKind kind) {
    if (FilterRowEdit* e = Edit(column)) e->Cell().SetProvider(std::move(provider), kind);
}

QString FilterRowHeader::FilterText(int column) const {
    FilterRowEdit* e = Edit(column);
    return e != nullptr ? e->text() : QString();
}

QString FilterRowHeader::FilterKey(int column) const {
    FilterRowEdit* e = Edit(column);
    if (e == nullptr) return {};
    e->Cell().SetText(e->text());
    return e->Cell().Key();
}

void FilterRowHeader::SetFilterText(int column, const QString& text) {
    if (FilterRowEdit* e = Edit(column)) e->SetCellText(text);
}

void FilterRowHeader::ClearFilters() {
    for (auto& entry : edits_) {
        entry.second->Cell().Clear();
        entry.second->clear();
    }
}

void FilterRowHeader::SetFilterRowVisible(bool on) {
    if (filterRowVisible_ == on) return;
    filterRowVisible_ = on;
    UpdateCellGeometry();
    updateGeometry();
    viewport()->update();
}

int FilterRowHeader::TitleHeight() const {
    return 2 * fontMetrics().lineSpacing() + 6;
}

int FilterRowHeader::CellHeight() const {
    return filterRowVisible_ ? editHeight_ : 0;
}

QSize FilterRowHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(TitleHeight() + CellHeight());
    return size;
}

void FilterRowHeader::UpdateCellGeometry() {
    const int top = TitleHeight();
    const int height = CellHeight();
    for (int c = 0; c < int(byColumn_.size()); ++c) {
        FilterRowEdit* e = byColumn_[size_t(c)];
        if (!filterRowVisible_ || c >= count() || isSectionHidden(c)) {
            e->hide();
            continue;
        }
        e->setGeometry(sectionViewportPosition(c), top, sectionSize(c), height);
        e->show();
    }
}

bool FilterRowHeader::viewportEvent(QEvent* event) {
    const bool result = QHeaderView::viewportEvent(event);
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) UpdateCellGeometry();
    return result;
}

void FilterRowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    QRect title = rect;
    title.setHeight(std::min(rect.height(), TitleHeight()));

    QStyleOptionHeader opt;
    opt.initFrom(this);
    opt.rect = title;
    opt.section = logicalIndex;
    opt.orientation = Qt::Horizontal;
    opt.position = QStyleOptionHeader::Middle;
    opt.textAlignment = Qt::AlignCenter;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const auto marker = SortMarker(
        model() ? model()
                      ->headerData(logicalIndex, Qt::Horizontal, DatasetModel::SortMarkerRole)
                      .toInt()
                : 0);
    const int markerWidth = marker == SortMarker::None ? 0 : 10;
    QRect textRect = title.adjusted(3, 2, -3 - markerWidth, -2);
    const QString text =
        model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(textRect, Qt::AlignCenter, TwoLines(text, fontMetrics(), textRect.width()));

    if (marker != SortMarker::None) {
        // A small filled triangle at the right: pointing up for ascending.
        const int cx = title.right() - 8;
        const int cy = title.center().y();
        QPainterPath path;
        if (marker == SortMarker::Ascending) {
            path.moveTo(cx - 4, cy + 2);
            path.lineTo(cx + 4, cy + 2);
            path.lineTo(cx, cy - 3);
        } else {
            path.moveTo(cx - 4, cy - 2);
            path.lineTo(cx + 4, cy - 2);
            path.lineTo(cx, cy + 3);
        }
        path.closeSubpath();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(path, palette().color(QPalette::ButtonText));
    }
    painter->restore();
}

}  // namespace ui
