#include "update/TransferStats.h"

#include <cmath>

#include "engine/text/FormatSettings.h"

namespace update {

QString SpeedText(double kilobytesPerSecond) {
    std::string number =
        text::FormatFloat("0.00", kilobytesPerSecond, text::FormatSettings::Russian());
    return QStringLiteral("Скорость доступа ") + QString::fromLatin1(number) +
           QStringLiteral(" Кб/с");
}

void TransferStats::Reset() {
    *this = TransferStats();
}

void TransferStats::Begin(int64_t announced, int64_t queriedSize, Clock::time_point now) {
    start_ = now;
    maximum_ = announced > 0 ? announced : queriedSize;
    position_ = 0;
    speed_ = 0;
}

void TransferStats::Progress(int64_t bytes, Clock::time_point now) {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count();
    double seconds =
        static_cast<double>(elapsed / 1000) + static_cast<double>(elapsed % 1000) / 1000.0;
    if (seconds > 0) speed_ = static_cast<double>(bytes) / 1024.0 / seconds;
    speedText_ = update::SpeedText(speed_);
    position_ = bytes;
}

void TransferStats::End() {
    maximum_ = 0;
    position_ = 0;
    speed_ = 0;
}

void TransferStats::CountFetched(int64_t bytes) {
    ++fileCount_;
    totalBytes_ += bytes;
}

QString TransferStats::SummaryText() const {
    QString line = speedText_ + QStringLiteral(". Обновлено ") + QString::number(fileCount_) +
                   QStringLiteral(" файлов");
    if (totalBytes_ > 0) {
        auto kilobytes =
            static_cast<qint64>(std::llround(static_cast<double>(totalBytes_) / 1024.0));
        line += QStringLiteral(", всего ") + QString::number(kilobytes) + QStringLiteral(" Кб.");
    }
    return line;
}

}  // namespace update
