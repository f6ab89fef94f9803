#include "progress_text.hpp"

#include <algorithm>
#include <cmath>

namespace nurlo {

int percentDone(std::int64_t done, std::int64_t total) {
    if (total <= 0 || done <= 0) {
        return 0;
    }
    if (done >= total) {
        return 100;
    }
    return static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
}

namespace {
long long rounded(double value) { return static_cast<long long>(std::round(value)); }
}  // namespace

QString timeLeftText(double seconds) {
    const double minutes = seconds / 60.0;
    const double hours = minutes / 60.0;
    if (seconds < 59.5) {
        return QStringLiteral("circa %1 s").arg(std::max(1LL, rounded(seconds)));
    }
    if (minutes < 59.5) {
        return QStringLiteral("circa %1 min").arg(rounded(minutes));
    }
    if (hours < 48.0) {
        const long long total = rounded(minutes);
        const long long wholeHours = total / 60;
        const long long leftMinutes = total % 60;
        return leftMinutes == 0
                   ? QStringLiteral("circa %1 h").arg(wholeHours)
                   : QStringLiteral("circa %1 h %2 min").arg(wholeHours).arg(leftMinutes);
    }
    return QStringLiteral("circa %1 giorni").arg(rounded(hours / 24.0));
}

QString progressText(Stage stage, std::int64_t done, std::int64_t total, double elapsedSeconds) {
    const int percent = percentDone(done, total);
    if (stage == Stage::Fill) {
        return QStringLiteral("Griglia: %1 %").arg(percent);
    }
    if (stage == Stage::Exact) {
        return QStringLiteral("Soluzione esatta: %1 %").arg(percent);
    }
    if (stage != Stage::Walks) {
        return {};
    }
    QString text = QStringLiteral("%1 %").arg(percent);
    if (elapsedSeconds >= 1.0 && done > 0 && done < total) {
        const double left =
            elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done);
        text += QStringLiteral(" — ") + timeLeftText(left);
    }
    return text;
}

}  // namespace nurlo
