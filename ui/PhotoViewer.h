// The product photo window: the picture at its size in a small tool window
// with a grey background, captioned with the product. It is a glance, not a
// browser: any key (but the repeats of one held down since before it
// opened), any click or switching to another window closes it, and
// closing destroys it (it deletes itself).
//
// Open it through PhotoViewerLauncher, which keeps the one-viewer rule and
// reports load failures.
//
// Thread safety: GUI thread only.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace ui {

class PhotoViewer : public QWidget {
    Q_OBJECT

  public:
    // A window for `picture` (not null), owned by `owner`'s window and kept
    // above it; sized to the picture. Not shown yet.
    PhotoViewer(const QImage& picture, QWidget* owner = nullptr);

    QSize PictureSize() const { return picture_.size(); }

    // The caption: the product's name, then "  [id]" when the code is not
    // empty.
    static QString Caption(const QString& name, const QString& id);

  signals:
    // Emitted once as the window closes (it is deleted afterwards).
    void Closed();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QPixmap picture_;
    bool closing_ = false;
};

}  // namespace ui
