#include "engine/storage/RunTogether.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace ridov {

void RunTogether(const std::vector<std::function<void()>>& tasks) {
    std::vector<std::exception_ptr> errors(tasks.size());
    auto run = [&](size_t i) {
        try {
            tasks[i]();
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (size_t i = 1; i < tasks.size(); ++i) {
        try {
            threads.emplace_back(run, i);
        } catch (...) {
            run(i);
        }
    }
    if (!tasks.empty()) run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

unsigned PiecesFor(size_t items, size_t smallest, unsigned most) {
    if (items < smallest) return 1;
    return std::clamp(std::thread::hardware_concurrency(), 1u, std::max(most, 1u));
}

}  // namespace ridov
