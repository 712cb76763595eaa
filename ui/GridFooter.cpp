#include "ui/GridFooter.h"

#include <QHeaderView>
#include <QPainter>

namespace ui {

GridFooter::GridFooter(QHeaderView& header, QWidget* parent) : QWidget(parent), header_(header) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&header_, &QHeaderView::sectionResized, this, qOverload<>(&QWidget::update));
    connect(&header_, &QHeaderView::geometriesChanged, this, qOverload<>(&QWidget::update));
}

void GridFooter::SetTexts(QStringList texts, std::vector<Qt::Alignment> alignments) {
    texts_ = std::move(texts);
    alignments_ = std::move(alignments);
    update();
}

void GridFooter::SetColor(const QColor& color) {
    color_ = color;
    update();
}

QSize GridFooter::sizeHint() const {
    return QSize(100, fontMetrics().height() + 6);
}

void GridFooter::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor background = color_.isValid() ? color_ : palette().color(QPalette::Button);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // The header's cells start where its viewport does; the footer lies
    // under it in the same window.
    const int dx =
        header_.viewport()->mapTo(window(), QPoint()).x() - mapTo(window(), QPoint()).x();
    const QColor line = palette().color(QPalette::Mid);
    for (int c = 0; c < header_.count(); ++c) {
        if (header_.isSectionHidden(c)) continue;
        QRect cell(dx + header_.sectionViewportPosition(c), 0, header_.sectionSize(c), height());
        if (cell.right() < dx || cell.left() > width()) continue;
        painter.save();
        painter.setClipRect(QRect(dx, 0, width() - dx, height()));
        painter.fillRect(cell, background);
        painter.setPen(line);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
        if (c < texts_.size() && !texts_[c].isEmpty()) {
            const Qt::Alignment align =
                (size_t(c) < alignments_.size() ? alignments_[size_t(c)] : Qt::AlignLeft) |
                Qt::AlignVCenter;
            QRect textRect = cell.adjusted(3, 0, -3, 0);
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.drawText(textRect, align,
                             fontMetrics().elidedText(texts_[c], Qt::ElideRight, textRect.width()));
        }
        painter.restore();
    }
}

}  // namespace ui
