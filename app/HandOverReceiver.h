// The shown main window's side of later starts: each later start brings
// the window (or its open dialog) forward, and each file it handed over is
// opened as an order once the window can take it, that is while no modal
// dialog is open and no command runs (InstanceServer keeps it meanwhile).
//
// Ownership: owns the InstanceServer; refers to the window, which must
// outlive it.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace app {

class InstanceServer;

// Restores a minimised `window` and brings it, or the modal dialog open
// over it, to the front.
void BringForward(QWidget& window);

class HandOverReceiver {
  public:
    // `listener`: the single-instance listening socket (-1: nothing is
    // ever received). `busy`: true while a command runs; `open` opens a
    // handed-over file.
    HandOverReceiver(intptr_t listener, QWidget& window, std::function<bool()> busy,
                     std::function<void(const QString& path)> open);
    ~HandOverReceiver();

    // False while a modal dialog is open or a command runs.
    bool CanReceive() const;

    InstanceServer& Server() const { return *server_; }

  private:
    QWidget& window_;
    std::function<bool()> busy_;
    std::unique_ptr<InstanceServer> server_;
};

}  // namespace app
