#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace fennrow {
namespace {

constexpr double kDelaySeconds = 1.0;
constexpr double kRedrawSeconds = 0.1;
constexpr int kBarWidth = 32;

double secondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

ProgressBar startProgress() {
    ProgressBar bar;
    bar.terminal = isatty(STDERR_FILENO) == 1;
    bar.started = std::chrono::steady_clock::now();
    bar.lastDrawn = bar.started;
    return bar;
}

void updateProgress(ProgressBar& bar, double done, double total, const std::string& label) {
    if (!bar.terminal || total <= 0.0) return;
    const auto now = std::chrono::steady_clock::now();
    if (secondsBetween(bar.started, now) < kDelaySeconds) return;
    if (bar.shown && secondsBetween(bar.lastDrawn, now) < kRedrawSeconds) return;
    bar.shown = true;
    bar.lastDrawn = now;
    const double fraction = std::clamp(done / total, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string cells(static_cast<std::size_t>(filled), '#');
    cells.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    std::fprintf(stderr, "\r[%s] %3d%% %-40.40s", cells.c_str(), static_cast<int>(fraction * 100.0),
                 label.c_str());
    std::fflush(stderr);
}

void finishProgress(ProgressBar& bar) {
    if (!bar.shown) return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 48, "");
    std::fflush(stderr);
    bar.shown = false;
}

double elapsedSeconds(const ProgressBar& bar) {
    return secondsBetween(bar.started, std::chrono::steady_clock::now());
}

std::string realTimeSummary(double audioSeconds, double wallSeconds) {
    char text[96];
    if (wallSeconds > 0.0) {
        std::snprintf(text, sizeof text, "%.2f s of audio in %.3f s, %.0fx real time", audioSeconds,
                      wallSeconds, audioSeconds / wallSeconds);
    } else {
        std::snprintf(text, sizeof text, "%.2f s of audio", audioSeconds);
    }
    return text;
}

} // namespace fennrow
