// The main window as the program's start leaves it (orders/ProgramStart.h),
// for the benchmarks that work through it: the folder's price.zv open, the
// window not shown, at a desktop size.
#pragma once

#include <memory>
#include <string>

#include "app/StartUp.h"
#include "orders/MainWindow.h"
#include "orders/ProgramStart.h"

namespace bench_support {

inline std::unique_ptr<app::StartUp> StartProgramWindow(const std::string& folder) {
    auto start = orders::MakeProgramStart(QString::fromStdString(folder), {});
    start->PrepareWindow();
    if (orders::MainWindow* window = orders::ProgramWindow(*start)) window->resize(1200, 800);
    return start;
}

}  // namespace bench_support
