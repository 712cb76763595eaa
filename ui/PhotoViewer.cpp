#include "ui/PhotoViewer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

PhotoViewer::PhotoViewer(const QImage& picture, QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      picture_(QPixmap::fromImage(picture)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Grey shows only where the frame is wider than a small picture.
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(grey);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(picture_.size().expandedTo(QSize(1, 1)));
}

QString PhotoViewer::Caption(const QString& name, const QString& id) {
    if (id.isEmpty()) return name;
    return name + QStringLiteral("  [") + id + QStringLiteral("]");
}

bool PhotoViewer::event(QEvent* event) {
    // Clicking back into the main window, or anywhere else, ends the glance.
    if (event->type() == QEvent::WindowDeactivate && isVisible()) close();
    return QWidget::event(event);
}

void PhotoViewer::keyPressEvent(QKeyEvent* event) {
    // Every key, arrows included: there is no navigation between photos.
    // The repeats of a key still held from opening the viewer (Ctrl+Enter)
    // are not a new key.
    event->accept();
    if (!event->isAutoRepeat()) close();
}

void PhotoViewer::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

void PhotoViewer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

void PhotoViewer::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!closing_) {
        closing_ = true;
        emit Closed();
    }
}

}  // namespace ui
