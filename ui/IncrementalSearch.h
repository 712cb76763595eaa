// IncrementalSearch: the search text a grid builds from typed characters.
//
// Each typed character extends the search text and the grid looks for the
// first record whose cell begins with the extended text, ignoring case. A
// hit makes the search text the found cell's first characters (as many as
// the extended text has), so its letter case follows the value found; a
// miss leaves the text as it was before the key stroke. The text is kept
// until `timeout` milliseconds pass between two key strokes; the next
// character then starts a new text.
//
// The clock is injectable so tests need not wait.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace ui {

class IncrementalSearch {
  public:
    // Milliseconds from any fixed origin, never going back.
    using Clock = std::function<int64_t()>;
    // Looks for the first record whose cell begins with `text` (ignoring
    // case), makes it current and returns its displayed cell text; nothing
    // when none matches (the current record stays).
    using Finder = std::function<std::optional<QString>(const QString& text)>;

    static constexpr int kDefaultTimeoutMs = 60000;

    // A steady clock in milliseconds.
    static int64_t SteadyClockMs();

    explicit IncrementalSearch(Clock clock = SteadyClockMs, int timeoutMs = kDefaultTimeoutMs);

    // Replaces the clock (tests); the text so far is kept.
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    int TimeoutMs() const { return timeoutMs_; }
    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }

    // One key stroke of printable text (usually one character). Returns
    // true when a record was found. A stroke arriving while `find` of an
    // earlier stroke still runs is ignored (returns false).
    bool Type(const QString& typed, const Finder& find);

    // The search text now; empty when no search is going on.
    const QString& Text() const { return text_; }
    bool Active() const { return !text_.isEmpty(); }
    // Forgets the search text (the user moved, changed column, pressed Esc).
    void Reset() { text_.clear(); }

  private:
    Clock clock_;
    int timeoutMs_;
    QString text_;
    std::optional<int64_t> lastStroke_;
    bool searching_ = false;
};

}  // namespace ui
