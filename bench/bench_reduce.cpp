// MakeIndexedBitmap on an icon-sized photo-like picture, the way the icon build calls it:
// octree palette, Floyd-Steinberg dithering, 16 and 256 colours.

#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <random>

#include "reduce/ColorQuantizer.h"
#include "reduce/DIB.h"
#include "reduce/Reduce.h"

namespace {

// Smooth shading, a few soft shapes and sensor-like noise: many distinct colours, close
// neighbours, as in a scaled-down photograph.
QImage PhotoLikePicture(int width, int height) {
    QImage picture(width, height, QImage::Format_BGR888);
    std::mt19937 rng(48049);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double sky = 1.0 - double(y) / height;
            const double dx = x - width * 0.6, dy = y - height * 0.55;
            const double blob = std::exp(-(dx * dx + dy * dy) / 120.0);
            const double ripple = 0.5 + 0.5 * std::sin(x * 0.45 + std::cos(y * 0.3) * 2.0);
            const double r = 60 + 120 * sky + 70 * blob + 20 * ripple + noise(rng);
            const double g = 90 + 90 * sky + 30 * blob - 25 * ripple + noise(rng);
            const double b = 150 + 90 * sky - 90 * blob + 10 * ripple + noise(rng);
            auto level = [](double v) { return std::clamp(int(std::lround(v)), 0, 255); };
            picture.setPixel(x, y, qRgb(level(r), level(g), level(b)));
        }
    }
    return picture;
}

void BM_MakeIndexedBitmap(benchmark::State& state) {
    const int bits = int(state.range(0));
    QImage source = PhotoLikePicture(48, 49);
    for (auto _ : state) {
        QImage result = MakeIndexedBitmap(source, ReductionMethod::Octree,
                                          DitherMethod::FloydSteinberg, bits, nullptr);
        benchmark::DoNotOptimize(result.constBits());
    }
}

// The palette alone, to see how the time divides between choosing and mapping.
void BM_BuildOctreePalette(benchmark::State& state) {
    const int bits = int(state.range(0));
    QImage source = PhotoLikePicture(48, 49);
    TDIBReader reader(source, 24);
    for (auto _ : state) {
        TPalette palette = BuildOctreePalette(reader, 1 << bits);
        benchmark::DoNotOptimize(palette.entries.data());
    }
}

} // namespace

BENCHMARK(BM_MakeIndexedBitmap)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildOctreePalette)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
