#include "picture.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "colour_map.h"
#include "spectrogram.h"

namespace fennrow {
namespace {

constexpr double kMarginLeft = 64.0;
constexpr double kMarginRight = 20.0;
constexpr double kTitleHeight = 46.0;
constexpr double kAxisHeight = 34.0;
constexpr double kPanelGap = 8.0;
constexpr double kWaveShare = 0.28; // of the height left for the two panels
constexpr double kMinHz = 20.0;
constexpr double kMaxHz = 20000.0;
constexpr double kFloorDb = -96.0;
constexpr double kMinTickPixels = 70.0;
constexpr const char* kFont = "sans-serif";
constexpr double kTitleSize = 20.0;
constexpr double kSubtitleSize = 12.0;
constexpr double kTitleGap = 24.0;
constexpr double kLabelSpacing = 14.0;

struct Colour {
    double r, g, b, a = 1.0;
};
constexpr Colour kBackground{0.063, 0.078, 0.094};
constexpr Colour kPanel{0.09, 0.106, 0.133};
constexpr Colour kText{0.82, 0.85, 0.87};
constexpr Colour kDimText{0.55, 0.6, 0.65};
constexpr Colour kGrid{1.0, 1.0, 1.0, 0.10};
constexpr Colour kBarLine{1.0, 1.0, 1.0, 0.16};
constexpr Colour kPeak{0.37, 0.70, 0.98};
constexpr Colour kRms{0.71, 0.88, 1.0};

constexpr std::array<double, 9> kFrequencyLabels{30, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
constexpr std::array<double, 11> kTickSteps{0.1, 0.2, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 60};

struct Rect {
    double x, y, w, h;
};

struct Layout {
    Rect wave;
    Rect spectrum;
};

struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;
using Context = std::unique_ptr<cairo_t, ContextDestroy>;

Layout makeLayout(const PictureLayout& size) {
    const double plotWidth = std::floor(size.width - kMarginLeft - kMarginRight);
    const double panels = size.height - kTitleHeight - kAxisHeight - kPanelGap;
    const double waveHeight = std::floor(panels * kWaveShare);
    Layout layout;
    layout.wave = {kMarginLeft, kTitleHeight, plotWidth, waveHeight};
    layout.spectrum = {kMarginLeft, kTitleHeight + waveHeight + kPanelGap, plotWidth,
                       std::floor(panels - waveHeight)};
    return layout;
}

void setColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void fillRect(cairo_t* cr, const Rect& r, const Colour& c) {
    setColour(cr, c);
    cairo_rectangle(cr, r.x, r.y, r.w, r.h);
    cairo_fill(cr);
}

void horizontalLine(cairo_t* cr, const Rect& r, double y, const Colour& c) {
    setColour(cr, c);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, r.x, std::floor(y) + 0.5);
    cairo_line_to(cr, r.x + r.w, std::floor(y) + 0.5);
    cairo_stroke(cr);
}

enum class Align { Left, Right, Centre };

void drawText(cairo_t* cr, const std::string& text, double x, double y, double size, bool bold,
              const Colour& c, Align align) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    double left = x;
    if (align == Align::Right) left = x - extents.x_advance;
    if (align == Align::Centre) left = x - extents.x_advance / 2.0;
    setColour(cr, c);
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, text.c_str());
}

double textWidth(cairo_t* cr, const std::string& text, double size, bool bold) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void drawWaveform(cairo_t* cr, const Rect& r, const StereoAudio& audio) {
    fillRect(cr, r, kPanel);
    const double mid = r.y + r.h / 2.0;
    const double half = r.h / 2.0 - 2.0;
    horizontalLine(cr, r, mid, kGrid);
    horizontalLine(cr, r, mid - half / 2.0, kGrid);
    horizontalLine(cr, r, mid + half / 2.0, kGrid);
    const std::size_t frames = audio.left.size();
    const int columns = static_cast<int>(r.w);
    if (frames == 0) return;
    for (int x = 0; x < columns; ++x) {
        const std::size_t begin = frames * static_cast<std::size_t>(x) / static_cast<std::size_t>(columns);
        const std::size_t end =
            std::max(begin + 1, frames * static_cast<std::size_t>(x + 1) / static_cast<std::size_t>(columns));
        float low = 0.0f, high = 0.0f;
        double sumSquares = 0.0;
        for (std::size_t i = begin; i < end && i < frames; ++i) {
            low = std::min({low, audio.left[i], audio.right[i]});
            high = std::max({high, audio.left[i], audio.right[i]});
            sumSquares += 0.5 * (static_cast<double>(audio.left[i]) * audio.left[i] +
                                 static_cast<double>(audio.right[i]) * audio.right[i]);
        }
        const double rms = std::sqrt(sumSquares / static_cast<double>(end - begin));
        const double top = mid - std::clamp(static_cast<double>(high), -1.0, 1.0) * half;
        const double bottom = mid - std::clamp(static_cast<double>(low), -1.0, 1.0) * half;
        setColour(cr, kPeak);
        cairo_rectangle(cr, r.x + x, top, 1.0, std::max(1.0, bottom - top));
        cairo_fill(cr);
        const double rmsHalf = std::min(rms, 1.0) * half;
        setColour(cr, kRms);
        cairo_rectangle(cr, r.x + x, mid - rmsHalf, 1.0, std::max(1.0, 2.0 * rmsHalf));
        cairo_fill(cr);
    }
    drawText(cr, "1", r.x - 8, r.y + 10, 11, false, kDimText, Align::Right);
    drawText(cr, "0", r.x - 8, mid + 4, 11, false, kDimText, Align::Right);
    drawText(cr, "-1", r.x - 8, r.y + r.h - 2, 11, false, kDimText, Align::Right);
}

std::string frequencyLabel(double hz) {
    char text[16];
    if (hz >= 1000.0) {
        std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%g", hz);
    }
    return text;
}

bool drawSpectrum(cairo_t* cr, const Rect& r, const StereoAudio& audio) {
    const int columns = static_cast<int>(r.w);
    const int rows = static_cast<int>(r.h);
    const Spectrogram spectrogram = computeSpectrogram(audio, columns, rows, kMinHz, kMaxHz);
    Surface image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, columns, rows));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(image.get());
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int y = 0; y < rows; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < columns; ++x) {
            const float db = spectrogram.levels[static_cast<std::size_t>(y) * columns + x];
            const Rgb c = levelColour((db - kFloorDb) / -kFloorDb);
            row[x] = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
        }
    }
    cairo_surface_mark_dirty(image.get());
    cairo_set_source_surface(cr, image.get(), r.x, r.y);
    cairo_paint(cr);

    // From the bottom up, leaving out labels that would touch the one below.
    double lastLabelY = r.y + r.h + kLabelSpacing;
    for (double hz : kFrequencyLabels) {
        if (hz > spectrogram.maxHz) break;
        const double y = r.y + frequencyRow(spectrogram, hz);
        horizontalLine(cr, r, y, kGrid);
        if (lastLabelY - y < kLabelSpacing || y - r.y < kLabelSpacing) continue;
        drawText(cr, frequencyLabel(hz), r.x - 8, y + 4, 11, false, kDimText, Align::Right);
        lastLabelY = y;
    }
    if (lastLabelY - r.y >= kLabelSpacing + 6)
        drawText(cr, "Hz", r.x - 8, r.y + 10, 11, false, kDimText, Align::Right);
    return true;
}

void drawBarLines(cairo_t* cr, const Layout& layout, const std::vector<double>& barSeconds,
                  double totalSeconds) {
    if (totalSeconds <= 0.0) return;
    const double dashes[] = {3.0, 3.0};
    cairo_set_dash(cr, dashes, 2, 0.0);
    setColour(cr, kBarLine);
    cairo_set_line_width(cr, 1.0);
    for (double seconds : barSeconds) {
        if (seconds <= 0.0 || seconds >= totalSeconds) continue;
        const double x = std::floor(layout.wave.x + seconds / totalSeconds * layout.wave.w) + 0.5;
        cairo_move_to(cr, x, layout.wave.y);
        cairo_line_to(cr, x, layout.spectrum.y + layout.spectrum.h);
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, nullptr, 0, 0.0);
}

std::string secondsLabel(double seconds, double step) {
    char text[24];
    std::snprintf(text, sizeof text, step < 1.0 ? "%.1f s" : "%.0f s", seconds);
    return text;
}

void drawTimeAxis(cairo_t* cr, const Rect& spectrum, double totalSeconds) {
    if (totalSeconds <= 0.0) return;
    const double pixelsPerSecond = spectrum.w / totalSeconds;
    double step = kTickSteps.back();
    for (double candidate : kTickSteps) {
        if (candidate * pixelsPerSecond >= kMinTickPixels) {
            step = candidate;
            break;
        }
    }
    const double axisY = spectrum.y + spectrum.h;
    setColour(cr, kDimText);
    cairo_set_line_width(cr, 1.0);
    for (int i = 0;; ++i) {
        const double seconds = i * step;
        if (seconds > totalSeconds + 1e-9) break;
        const double x = std::floor(spectrum.x + seconds * pixelsPerSecond) + 0.5;
        setColour(cr, kDimText);
        cairo_move_to(cr, x, axisY);
        cairo_line_to(cr, x, axisY + 5);
        cairo_stroke(cr);
        const Align align = i == 0 ? Align::Left : Align::Centre;
        drawText(cr, secondsLabel(seconds, step), x - (i == 0 ? 0.5 : 0.0), axisY + 19, 11, false, kDimText,
                 align);
    }
}

} // namespace

bool writePicture(const std::string& path, const StereoAudio& audio, const PictureText& text,
                  const std::vector<double>& barSeconds, const PictureLayout& size, std::string& error) {
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        error = "cannot make a picture of " + std::to_string(size.width) + "x" + std::to_string(size.height);
        return false;
    }
    Context cr(cairo_create(surface.get()));
    const Layout layout = makeLayout(size);
    fillRect(cr.get(), Rect{0, 0, double(size.width), double(size.height)}, kBackground);
    drawText(cr.get(), text.title, kMarginLeft, 30, kTitleSize, true, kText, Align::Left);
    // A narrow picture keeps the title and drops the subtitle rather than overprint.
    const double free =
        size.width - kMarginRight - kMarginLeft - textWidth(cr.get(), text.title, kTitleSize, true);
    if (textWidth(cr.get(), text.subtitle, kSubtitleSize, false) + kTitleGap < free) {
        drawText(cr.get(), text.subtitle, size.width - kMarginRight, 30, kSubtitleSize, false, kDimText,
                 Align::Right);
    }
    drawWaveform(cr.get(), layout.wave, audio);
    if (!drawSpectrum(cr.get(), layout.spectrum, audio)) {
        error = "cannot draw the spectrogram";
        return false;
    }
    const double totalSeconds = durationSeconds(audio);
    drawBarLines(cr.get(), layout, barSeconds, totalSeconds);
    drawTimeAxis(cr.get(), layout.spectrum, totalSeconds);
    cairo_surface_flush(surface.get());
    const cairo_status_t status = cairo_surface_write_to_png(surface.get(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

void releasePictureCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace fennrow
