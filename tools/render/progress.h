// A progress bar on standard error, shown only when standard error is a
// terminal and the work has already taken longer than a second, so quick
// renders and redirected output stay clean.
#pragma once

#include <chrono>
#include <string>

namespace fennrow {

struct ProgressBar {
    bool terminal = false;
    bool shown = false;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
};

ProgressBar startProgress();

// `done` of `total` units; `label` is printed after the bar.
void updateProgress(ProgressBar& bar, double done, double total, const std::string& label);

// Clears the bar's line if it was drawn.
void finishProgress(ProgressBar& bar);

double elapsedSeconds(const ProgressBar& bar);

// "8.00 s of audio in 0.052 s, 154x real time"
std::string realTimeSummary(double audioSeconds, double wallSeconds);

} // namespace fennrow
