// What the progress bar of a computing screen says.
//
// While the walks run it shows the share of the click's walks done and, once it can tell from the
// pace so far, the time left: "42 % — circa 3 min". While the grid is filled it shows the share of
// the fill: "Griglia: 42 %"; while the exact discrete solution is solved for, the share of the
// solve: "Soluzione esatta: 42 %". Once the click is over it says how it ended.
#pragma once

#include <QString>
#include <cstdint>

#include "progress.hpp"

namespace nurlo {

inline const QString kCompletedText = QStringLiteral("Completato");
inline const QString kInterruptedText = QStringLiteral("Interrotto");
inline const QString kFailedText = QStringLiteral("Errore");

// The share done in whole percent, 0..100; 0 while nothing is planned.
int percentDone(std::int64_t done, std::int64_t total);

// The time left, rounded to what a person needs: "circa 40 s", "circa 3 min", "circa 2 h 5 min",
// "circa 3 giorni".
QString timeLeftText(double seconds);

// The text of the bar during a stage that has run for `elapsedSeconds`. The time left shows once
// a second has passed and some work is done, estimated from the pace so far.
QString progressText(Stage stage, std::int64_t done, std::int64_t total, double elapsedSeconds);

}  // namespace nurlo
