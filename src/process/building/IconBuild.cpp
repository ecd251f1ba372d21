#include "process/building/IconBuild.h"

#include "core/WizardView.h"
#include "process/building/CropState.h"
#include "process/building/Fitting.h"
#include "process/loading/PictureColor.h"
#include "reduce/GraphicErrors.h"
#include "reduce/Reduce.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace {

void serviceEvents(WizardWindow* window) {
    if (window) window->ProcessPendingEvents();
}

// The fitted bitmap with one black row below it.
QImage withBlackRow(const QImage& fitted) {
    QImage taller(fitted.width(), fitted.height() + 1, QImage::Format_BGR888);
    if (taller.isNull()) throw EOutOfMemory("Not enough memory for the icon picture");
    const auto rowBytes = static_cast<std::size_t>(3 * fitted.width());
    for (int y = 0; y < fitted.height(); ++y)
        std::memcpy(taller.scanLine(y), fitted.constScanLine(y), rowBytes);
    std::memset(taller.scanLine(fitted.height()), 0, rowBytes);
    return taller;
}

// The colour map as the pixel map reads it from the 8-bit bitmap file of `reduced`: the
// header NewImage writes, the 256 table entries as palette, the indices as pixels.
void loadReduced(TPxlMap& map, const QImage& reduced) {
    const int size = reduced.width();
    map.Clear();
    map.NewImage(size, size, 8);
    std::array<std::uint8_t, 256 * 4> palette{};
    const int entries = std::min(reduced.colorCount(), 256);
    for (int i = 0; i < entries; ++i) {
        const QRgb color = reduced.color(i);
        palette[4 * i] = static_cast<std::uint8_t>(qBlue(color));
        palette[4 * i + 1] = static_cast<std::uint8_t>(qGreen(color));
        palette[4 * i + 2] = static_cast<std::uint8_t>(qRed(color));
    }
    map.ImportPalette(palette);
    for (int y = 0; y < size; ++y) {
        const uchar* row = reduced.constScanLine(y);
        for (int x = 0; x < size; ++x)
            map.SetPixel(x, y, row[x]);
    }
}

void resetMask(TPxlMap& mask, int size, WizardWindow* window) {
    mask.Clear();
    mask.NewImage(size, size, 1);
    mask.SetPaletteColor(0, 0x000000);
    mask.SetPaletteColor(1, 0xFFFFFF);
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y)
            mask.SetPixel(x, y, 0);
        serviceEvents(window);
    }
}

} // namespace

void MoveBlackToIndexZero(TPxlMap& iconMap, std::int32_t size, std::int32_t bits,
                          WizardWindow* window) {
    int k = -1;
    for (int i = (1 << bits) - 1; i >= 1; --i)
        if (iconMap.GetPaletteColor(static_cast<std::uint8_t>(i)) == 0) k = i;
    serviceEvents(window);
    if (k < 1) {
        iconMap.SetPaletteColor(0, 0);
        return;
    }
    const auto black = static_cast<std::uint8_t>(k);
    const std::uint32_t first = iconMap.GetPaletteColor(0);
    iconMap.SetPaletteColor(0, 0);
    iconMap.SetPaletteColor(black, first);
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            const std::uint8_t index = iconMap.GetPixel(x, y);
            if (index == 0)
                iconMap.SetPixel(x, y, black);
            else if (index == black)
                iconMap.SetPixel(x, y, 0);
        }
        serviceEvents(window);
    }
}

bool BuildIcon(TJobState& job, const TCropState& crop, WizardWindow* window) {
    if (job.SourceKind == TSourceKind::None) return false;
    const std::int32_t size = job.IconSize;
    const std::int32_t bits = job.IconBPP;

    QImage fitted = FitPicture(job, crop);
    // A picture's own transparency: its transparent pixels go into the reduction black,
    // as the colour they are written with, and make the mask the icon starts from.
    job.AlphaMaskMap = TPxlMap{};
    if (BringsAlpha(job)) job.AlphaMaskMap = FitAlphaMask(job, crop);
    if (job.AlphaMaskMap.Initialized) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (job.AlphaMaskMap.PixelAt(x, y) != 0) PutColor(fitted.scanLine(y), x, 0);
    }
    QImage tall = withBlackRow(fitted);
    QImage reduced =
        MakeIndexedBitmap(tall, ReductionMethod::Octree, DitherMethod::FloydSteinberg, bits);
    if (reduced.format() != QImage::Format_Indexed8 || reduced.width() != size ||
        reduced.height() != size + 1)
        throw EInvalidGraphic("Colour reduction gave no picture");
    reduced = reduced.copy(0, 0, size, size); // the black row goes again
    serviceEvents(window);

    loadReduced(job.IconMap, reduced);
    job.IconMap.SetBitCount(bits);
    MoveBlackToIndexZero(job.IconMap, size, bits, window);
    job.IconImage = std::move(reduced);
    resetMask(job.MaskMap, size, window);
    if (job.AlphaMaskMap.Initialized) {
        job.MaskMap = job.AlphaMaskMap;
        for (int x = 0; x < size; ++x)
            for (int y = 0; y < size; ++y)
                if (job.MaskMap.PixelAt(x, y) != 0) job.IconMap.SetPixel(x, y, 0);
    }
    return true;
}

void AutoMask(TJobState& job) {
    if (job.SourceKind == TSourceKind::None) return;
    if (job.AlphaMaskMap.Initialized && job.IconMap.GetWidth() == job.AlphaMaskMap.GetWidth()) {
        job.MaskMap = job.AlphaMaskMap;
        return;
    }
    if (job.SourceKind == TSourceKind::Ico &&
        job.IconMap.GetWidth() == job.SourceMaskMap.GetWidth() &&
        job.IconMap.GetHeight() == job.SourceMaskMap.GetHeight()) {
        job.MaskMap = job.SourceMaskMap;
        return;
    }

    const std::int32_t size = job.IconSize;
    const std::int32_t half = size / 2;
    const std::int32_t last = size - 1;
    const std::array<std::pair<std::int32_t, std::int32_t>, 8> samples{{
        {half, 0},
        {last, half},
        {half, last},
        {0, half}, // edge midpoints
        {0, 0},
        {last, 0},
        {last, last},
        {0, last}, // corners
    }};

    // Distinct indices in the order first seen, with how many samples carry each.
    std::vector<std::pair<std::uint8_t, int>> tally;
    for (const auto& [x, y] : samples) {
        const std::uint8_t index = job.IconMap.GetPixel(x, y);
        auto seen = std::find_if(tally.begin(), tally.end(),
                                 [index](const auto& entry) { return entry.first == index; });
        if (seen == tally.end())
            tally.emplace_back(index, 1);
        else
            ++seen->second;
    }

    int best = 0;
    std::uint8_t chosen = 0;
    bool shared = false;
    for (const auto& [index, count] : tally) {
        if (count > best) {
            best = count;
            chosen = index;
            shared = false;
        } else if (count == best) {
            shared = true;
        }
    }
    if (shared) return;

    for (std::int32_t x = 0; x < size; ++x)
        for (std::int32_t y = 0; y < size; ++y)
            if (job.IconMap.GetPixel(x, y) == chosen) {
                job.IconMap.SetPixel(x, y, 0);
                job.MaskMap.SetPixel(x, y, 1);
            }
}
