#include "spectrogram.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace fennrow {
namespace {

// One transform length cannot show both: a bass note needs a long window to
// be told from its neighbours a semitone away, a pluck's upper partials need a
// short one to show when they start. So each band of rows takes its levels
// from the transform whose window suits it.
// The lowest band uses a Hann window for its narrow main lobe; the others a
// Blackman-Harris window, whose low side lobes keep the loud sub from leaking
// up into them. Near a band edge the two neighbours are blended, so the edge
// leaves no seam.
enum class WindowShape { Hann, BlackmanHarris };
struct Band {
    double windowSeconds; // about this much audio per transform
    WindowShape shape;
    double upToHz; // the band's upper edge
};
constexpr Band kBands[] = {
    {0.17, WindowShape::Hann, 200.0},
    {0.043, WindowShape::BlackmanHarris, 2000.0},
    {0.011, WindowShape::BlackmanHarris, 1e9},
};
constexpr double kBlendRatio = 1.3; // blend from edge / ratio to edge * ratio
constexpr float kSilenceDb = -200.0f;
constexpr double kTiny = 1e-20;

struct FftwFree {
    void operator()(void* p) const { fftwf_free(p); }
};
struct FftwPlanDestroy {
    void operator()(fftwf_plan_s* plan) const { fftwf_destroy_plan(plan); }
};

int transformSize(double sampleRate, double windowSeconds) {
    int size = 256;
    while (size < sampleRate * windowSeconds) size *= 2;
    return size;
}

std::vector<float> makeWindow(int size, WindowShape shape) {
    std::vector<float> window(static_cast<std::size_t>(size));
    const double step = 2.0 * std::numbers::pi / (size - 1);
    for (int i = 0; i < size; ++i) {
        const double x = step * i;
        const double w =
            shape == WindowShape::Hann
                ? 0.5 - 0.5 * std::cos(x)
                : 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        window[static_cast<std::size_t>(i)] = static_cast<float>(w);
    }
    return window;
}

// One transform length with its plan and buffers.
struct Transform {
    int size = 0;
    int bins = 0;
    double scale = 1.0; // makes a full-scale sine read 0 dB
    std::vector<float> window;
    std::unique_ptr<float, FftwFree> input;
    std::unique_ptr<fftwf_complex, FftwFree> output;
    std::unique_ptr<fftwf_plan_s, FftwPlanDestroy> plan;
    std::vector<double> power;
};

Transform makeTransform(int size, WindowShape shape) {
    Transform t;
    t.size = size;
    t.bins = size / 2 + 1;
    t.window = makeWindow(size, shape);
    double sum = 0.0;
    for (float w : t.window) sum += w;
    t.scale = 2.0 / sum;
    t.input.reset(static_cast<float*>(fftwf_malloc(sizeof(float) * static_cast<std::size_t>(size))));
    t.output.reset(
        static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * static_cast<std::size_t>(t.bins))));
    t.plan.reset(fftwf_plan_dft_r2c_1d(size, t.input.get(), t.output.get(), FFTW_ESTIMATE));
    t.power.resize(static_cast<std::size_t>(t.bins));
    return t;
}

// Power spectrum of the mono mix around frame `centre`.
void analyse(Transform& t, const StereoAudio& audio, double centre) {
    const std::size_t frames = audio.left.size();
    const long first = static_cast<long>(std::llround(centre)) - t.size / 2;
    for (int i = 0; i < t.size; ++i) {
        const long at = first + i;
        float sample = 0.0f;
        if (at >= 0 && static_cast<std::size_t>(at) < frames) {
            const std::size_t k = static_cast<std::size_t>(at);
            sample = 0.5f * (audio.left[k] + audio.right[k]);
        }
        t.input.get()[i] = sample * t.window[static_cast<std::size_t>(i)];
    }
    fftwf_execute(t.plan.get());
    for (int b = 0; b < t.bins; ++b) {
        const double re = t.output.get()[b][0] * t.scale;
        const double im = t.output.get()[b][1] * t.scale;
        t.power[static_cast<std::size_t>(b)] = re * re + im * im;
    }
}

// The power of the band between `lowHz` and `highHz` around `centreHz`: the
// loudest bin when the band spans bins, else interpolated between two bins.
double bandPower(const Transform& t, double hzPerBin, double lowHz, double centreHz, double highHz) {
    const long lo = static_cast<long>(std::ceil(lowHz / hzPerBin));
    const long hi = static_cast<long>(std::floor(highHz / hzPerBin));
    if (hi > lo) {
        double p = 0.0;
        for (long b = lo; b <= hi && b < t.bins; ++b) p = std::max(p, t.power[static_cast<std::size_t>(b)]);
        return p;
    }
    const double pos = std::min(centreHz / hzPerBin, static_cast<double>(t.bins - 1));
    const std::size_t b0 = static_cast<std::size_t>(pos);
    const std::size_t b1 = std::min(b0 + 1, static_cast<std::size_t>(t.bins - 1));
    const double f = pos - static_cast<double>(b0);
    return t.power[b0] * (1.0 - f) + t.power[b1] * f;
}

} // namespace

double rowFrequency(const Spectrogram& s, double row) {
    const double t = s.rows > 1 ? 1.0 - row / (s.rows - 1) : 0.0;
    return s.minHz * std::pow(s.maxHz / s.minHz, t);
}

double frequencyRow(const Spectrogram& s, double hz) {
    const double t = std::log(hz / s.minHz) / std::log(s.maxHz / s.minHz);
    return (1.0 - t) * (s.rows - 1);
}

Spectrogram computeSpectrogram(const StereoAudio& audio, int columns, int rows, double minHz, double maxHz) {
    Spectrogram result;
    result.columns = std::max(1, columns);
    result.rows = std::max(2, rows);
    result.minHz = minHz;
    result.maxHz = std::min(maxHz, audio.sampleRate / 2.0);
    result.levels.assign(static_cast<std::size_t>(result.columns) * result.rows, kSilenceDb);
    const std::size_t frames = audio.left.size();
    if (frames == 0) return result;

    std::vector<Transform> transforms;
    for (const Band& band : kBands) {
        transforms.push_back(makeTransform(transformSize(audio.sampleRate, band.windowSeconds), band.shape));
    }
    // Each row covers the band between its neighbours' centres, and takes
    // `mix` of the next transform's level and the rest from its own.
    struct RowBand {
        double low, centre, high;
        std::size_t transform;
        double mix;
    };
    std::vector<RowBand> rowBands;
    for (int r = 0; r < result.rows; ++r) {
        const double centre = rowFrequency(result, r);
        std::size_t which = 0;
        while (which + 1 < std::size(kBands) && centre > kBands[which].upToHz * kBlendRatio) ++which;
        double mix = 0.0;
        if (which + 1 < std::size(kBands)) {
            const double edge = kBands[which].upToHz;
            mix = std::clamp(std::log(centre * kBlendRatio / edge) / std::log(kBlendRatio * kBlendRatio), 0.0,
                             1.0);
        }
        rowBands.push_back(
            {rowFrequency(result, r + 0.5), centre, rowFrequency(result, r - 0.5), which, mix});
    }

    for (int c = 0; c < result.columns; ++c) {
        const double centre = (c + 0.5) * static_cast<double>(frames) / result.columns;
        for (Transform& t : transforms) analyse(t, audio, centre);
        for (int r = 0; r < result.rows; ++r) {
            const RowBand& band = rowBands[static_cast<std::size_t>(r)];
            const auto levelIn = [&](const Transform& t) {
                return 10.0 *
                       std::log10(bandPower(t, audio.sampleRate / t.size, band.low, band.centre, band.high) +
                                  kTiny);
            };
            double level = levelIn(transforms[band.transform]);
            if (band.mix > 0.0) level += band.mix * (levelIn(transforms[band.transform + 1]) - level);
            result.levels[static_cast<std::size_t>(r) * static_cast<std::size_t>(result.columns) +
                          static_cast<std::size_t>(c)] = static_cast<float>(level);
        }
    }
    return result;
}

} // namespace fennrow
