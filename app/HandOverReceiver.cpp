#include "app/HandOverReceiver.h"

#include <QApplication>
#include <QWidget>
#include <utility>

#include "app/InstanceServer.h"

namespace app {

void BringForward(QWidget& window) {
    if (window.isMinimized())
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
    // An open dialog stays in front of its window.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != &window) {
        modal->raise();
        modal->activateWindow();
    }
}

HandOverReceiver::HandOverReceiver(intptr_t listener, QWidget& window, std::function<bool()> busy,
                                   std::function<void(const QString& path)> open)
    : window_(window), busy_(std::move(busy)), server_(std::make_unique<InstanceServer>(listener)) {
    server_->onConnection = [this] { BringForward(window_); };
    server_->canDeliver = [this] { return CanReceive(); };
    server_->onArgument = std::move(open);
}

HandOverReceiver::~HandOverReceiver() = default;

bool HandOverReceiver::CanReceive() const {
    return QApplication::activeModalWidget() == nullptr && !(busy_ && busy_());
}

}  // namespace app
