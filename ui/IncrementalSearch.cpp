#include "ui/IncrementalSearch.h"

#include <chrono>

namespace ui {

int64_t IncrementalSearch::SteadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

IncrementalSearch::IncrementalSearch(Clock clock, int timeoutMs)
    : clock_(std::move(clock)), timeoutMs_(timeoutMs) {}

bool IncrementalSearch::Type(const QString& typed, const Finder& find) {
    if (searching_ || typed.isEmpty()) return false;
    const int64_t now = clock_();
    if (lastStroke_ && now - *lastStroke_ >= timeoutMs_) text_.clear();
    lastStroke_ = now;

    const QString wanted = text_ + typed;
    searching_ = true;
    std::optional<QString> found;
    try {
        found = find(wanted);
    } catch (...) {
        searching_ = false;
        throw;
    }
    searching_ = false;
    if (!found) return false;
    text_ = found->left(wanted.size());
    // A cell shorter than the text cannot have matched it as a prefix; keep
    // what was typed rather than lose characters.
    if (text_.size() < wanted.size()) text_ = wanted;
    return true;
}

}  // namespace ui
