// The transfer figures the update window shows: the size and start of the
// current transfer, its speed and speed text, and the files and bytes
// fetched in this run.
//
// Speed: bytes / 1024 / seconds since the transfer began, from the
// elapsed whole seconds plus milliseconds; shown as
// "Скорость доступа 12,34 Кб/с" (Russian decimal comma).
//
// Thread safety: none needed; one window's figures.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>

namespace update {

class TransferStats {
  public:
    using Clock = std::chrono::steady_clock;

    // Everything back to zero and empty (the start of a run).
    void Reset();

    // A transfer begins. The progress maximum is `announced` when above 0,
    // otherwise the size from the size query.
    void Begin(int64_t announced, int64_t queriedSize, Clock::time_point now);
    // `bytes` received so far.
    void Progress(int64_t bytes, Clock::time_point now);
    // The transfer ended: size, position and speed back to 0; the speed
    // text stays.
    void End();
    // A file of `bytes` arrived whole.
    void CountFetched(int64_t bytes);

    int64_t Maximum() const { return maximum_; }
    int64_t Position() const { return position_; }
    double Speed() const { return speed_; }
    const QString& SpeedText() const { return speedText_; }
    int FileCount() const { return fileCount_; }
    int64_t TotalBytes() const { return totalBytes_; }

    // The statistics line after a fetch: the speed text, ". Обновлено ",
    // the file count, " файлов", and ", всего N Кб." with the kilobytes
    // fetched in this run.
    QString SummaryText() const;

  private:
    int64_t maximum_ = 0;
    int64_t position_ = 0;
    Clock::time_point start_{};
    double speed_ = 0;
    QString speedText_;
    int fileCount_ = 0;
    int64_t totalBytes_ = 0;
};

// "Скорость доступа " and the speed with two decimals and " Кб/с".
QString SpeedText(double kilobytesPerSecond);

}  // namespace update
