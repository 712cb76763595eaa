// The hourglass for the duration of a scope, also when the scope ends by an
// exception.
//
// Thread safety: GUI thread only.
#pragma once

#include <QApplication>

namespace ui {

class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace ui
