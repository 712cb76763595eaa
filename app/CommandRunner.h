// Runs the program's commands (menu entries, keys, handed-over files): a
// failure a command raises is shown in the error box, the general handler
// of every command; a declined import (core::ImportStopped) shows nothing.
//
// While a command runs, Running() is true: a command that lets the event
// loop run (the price-list import's progress) must not have an order
// opened under it by a hand-over.
//
// Thread safety: GUI thread only.
#pragma once

#include <functional>

namespace app {

class CommandRunner {
  public:
    void Run(const std::function<void()>& command);
    bool Running() const { return depth_ > 0; }

  private:
    int depth_ = 0;
};

}  // namespace app
