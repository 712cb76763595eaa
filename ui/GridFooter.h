// GridFooter: the footer row of a DataGrid, one cell under each column,
// aligned with the column titles and scrolled with them. It only draws the
// texts the grid gives it (fixed texts and formatted sums, see
// ui/GridFooterSum.h).
//
// Thread safety: GUI thread only.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>
#include <vector>

class QHeaderView;

namespace ui {

class GridFooter : public QWidget {
    Q_OBJECT

  public:
    // `header` gives the columns' positions; it must outlive the footer.
    GridFooter(QHeaderView& header, QWidget* parent = nullptr);

    // One text and alignment per column (missing ones are empty, left).
    void SetTexts(QStringList texts, std::vector<Qt::Alignment> alignments);
    QString Text(int column) const {
        return column >= 0 && column < texts_.size() ? texts_[column] : QString();
    }
    // The cells' background; invalid: the palette's button colour.
    void SetColor(const QColor& color);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QHeaderView& header_;
    QStringList texts_;
    std::vector<Qt::Alignment> alignments_;
    QColor color_;
};

}  // namespace ui
