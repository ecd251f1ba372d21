#include "ImageTestSupport.h"

#include "image/ColorRef.h"
#include "utils/TestUtils.h"

#include <QImage>

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace imagetest {

TPxlMap PatternMap(int width, int height, int bits, unsigned seed) {
    TPxlMap map{};
    if (!map.NewImage(width, height, bits)) throw std::runtime_error("NewImage failed");
    const int colors = TPxlMap::ColorCount(bits);
    for (int i = 0; i < colors; ++i) {
        const std::uint32_t r = (i * 37 + seed * 11) & 0xFF;
        const std::uint32_t g = (i * 91 + 7) & 0xFF;
        const std::uint32_t b = (255 - i * 53 + seed) & 0xFF;
        map.SetPaletteColor(static_cast<std::uint8_t>(i), r | (g << 8) | (b << 16));
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            map.SetPixel(x, y, static_cast<std::uint8_t>((x * 7 + y * 13 + x * y + seed) % colors));
    return map;
}

TPxlMap PatternMask(int size, unsigned seed) {
    TPxlMap mask{};
    if (!mask.NewImage(size, size, 1)) throw std::runtime_error("NewImage failed");
    mask.SetPaletteColor(0, 0x000000);
    mask.SetPaletteColor(1, 0xFFFFFF);
    const int c = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool disc = (x - c) * (x - c) + (y - c) * (y - c) <= (size / 4) * (size / 4);
            const bool stray = (x * 5 + y * 3 + seed) % 17 == 0;
            mask.SetPixel(x, y, disc || stray ? 1 : 0);
        }
    }
    return mask;
}

std::uint32_t Argb(TPxlMap& color, TPxlMap* mask, int x, int y) {
    if (mask && mask->GetPixel(x, y) == 1) return 0;
    return RgbOf(color.GetPaletteColor(color.GetPixel(x, y)));
}

bool SameMap(const TPxlMap& a, const TPxlMap& b) {
    return a.Initialized == b.Initialized &&
           std::memcmp(a.Header, b.Header, sizeof a.Header) == 0 &&
           std::memcmp(a.Palette, b.Palette, sizeof a.Palette) == 0 &&
           std::memcmp(a.Pixels, b.Pixels, sizeof a.Pixels) == 0 && a.InfoSize == b.InfoSize &&
           a.Width == b.Width && a.Height == b.Height && a.BitCount == b.BitCount &&
           a.WidthPos == b.WidthPos && a.HeightPos == b.HeightPos &&
           a.BitCountPos == b.BitCountPos && a.SizeImagePos == b.SizeImagePos &&
           a.ClrUsedPos == b.ClrUsedPos && a.ClrImportantPos == b.ClrImportantPos &&
           a.DimensionMask == b.DimensionMask && a.OptionalMask == b.OptionalMask &&
           a.RowBits == b.RowBits && a.RowBytes == b.RowBytes && a.RowStride == b.RowStride &&
           a.PackedPos == b.PackedPos && a.PackedMask == b.PackedMask &&
           a.PackedShift == b.PackedShift &&
           std::strncmp(a.ErrorText, b.ErrorText, TPxlMap::ErrorTextSize) == 0 &&
           a.ErrorNo == b.ErrorNo;
}

std::string ComparePicture(const std::vector<std::uint32_t>& argb, int width, int height,
                           TPxlMap& color, TPxlMap& mask) {
    std::ostringstream out;
    if (width != color.Width || height != color.Height ||
        argb.size() != static_cast<std::size_t>(width) * height) {
        out << "decoded " << width << "x" << height << ", map " << color.Width << "x"
            << color.Height;
        return out.str();
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t expected = Argb(color, &mask, x, y);
            const std::uint32_t actual = argb[static_cast<std::size_t>(y) * width + x];
            const bool same = expected >> 24 == 0 ? actual >> 24 == 0 : actual == expected;
            if (!same) {
                out << "pixel " << x << "," << y << ": decoded " << std::hex << actual << ", map "
                    << expected;
                return out.str();
            }
        }
    }
    return {};
}

std::vector<std::uint32_t> ArgbPixels(const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            pixels.push_back(argb.pixel(x, y));
    return pixels;
}

std::string RunPython(const std::string& script, const std::vector<std::string>& args,
                      int* exitCode) {
    std::string command = testutil::systemPython() + " -c " + testutil::shellQuote(script);
    for (const auto& arg : args)
        command += " " + testutil::shellQuote(arg);
    const auto result = testutil::runCommand(command);
    if (exitCode) *exitCode = result.exitCode;
    return result.output;
}

DecodedPicture DecodeWithPillow(const std::filesystem::path& file, int iconSize) {
    static const char* script = R"(
import sys
from PIL import Image
try:
    im = Image.open(sys.argv[1])
    size = int(sys.argv[2])
    if size:
        im.size = (size, size)
    im = im.convert('RGBA')
except Exception as e:
    print('ERROR', e)
    sys.exit(0)
print(im.size[0], im.size[1])
print(' '.join('%02x%02x%02x%02x' % (a, r, g, b) for (r, g, b, a) in im.getdata()))
)";
    DecodedPicture picture;
    std::istringstream out(RunPython(script, {file.string(), std::to_string(iconSize)}));
    std::string first;
    out >> first;
    if (first == "ERROR" || first.empty()) {
        std::getline(out, picture.error);
        picture.error = first + picture.error;
        return picture;
    }
    picture.width = std::stoi(first);
    out >> picture.height;
    std::string hex;
    while (out >> hex)
        picture.argb.push_back(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
    picture.ok = picture.argb.size() == static_cast<std::size_t>(picture.width) * picture.height;
    if (!picture.ok) picture.error = "pixel count does not match the size";
    return picture;
}

} // namespace imagetest
