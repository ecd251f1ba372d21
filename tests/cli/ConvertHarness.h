#pragma once

#include <QJsonObject>
#include <array>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Helpers of the converter's end-to-end tests: pictures made and read back by independent
// tools (Pillow, icotool), the converter run as a program, and what the pipeline
// must produce for pictures whose colours survive the colour reduction exactly (few,
// well separated colours, so the octree keeps each one as it is and the error diffusion
// has no error to spread).
namespace e2e {

struct Rgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb White{255, 255, 255};

std::string Describe(const Rgb& c);

struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<Rgb> Pixels; // rows from the top

    Picture() = default;
    Picture(int width, int height, Rgb fill = White);
    Rgb& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
    const Rgb& At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// A picture with detail down to single pixels: a border colour all round (the background
// the automatic mask should find), stripes and a cross of other colours inside. At most
// five colours, none of them black.
Picture Patterned(int width, int height);

// --- Files and tools -------------------------------------------------------------------

std::filesystem::path ToolScript();
void WritePpm(const std::filesystem::path& path, const Picture& picture);
void WritePgm(const std::filesystem::path& path, const std::vector<std::uint8_t>& grey, int width,
              int height);

// Writes the picture in the given form through Pillow: "bmp24", "bmp8", "bmp1", "gif",
// "jpg" (quality 100, no chroma subsampling), "png" (with an alpha plane when given). Throws
// std::runtime_error when the tool fails.
void Encode(const Picture& picture, const std::filesystem::path& out, const std::string& kind,
            const std::vector<std::uint8_t>* alpha = nullptr);

struct RunResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs tessaly-convert in `cwd` with no display and no Qt platform set; a run that does not
// end within two minutes is stopped (exit status 124).
RunResult RunConvert(const std::filesystem::path& cwd, const std::vector<std::string>& args);

// --- Reading outputs back ----------------------------------------------------------------

struct IconImage {
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    std::vector<Rgb> Palette;
    std::vector<int> Index;                  // rows from the top
    std::vector<int> Mask;                   // 1 = transparent
    std::vector<std::array<int, 4>> Icotool; // icotool's RGBA
    std::vector<std::array<int, 4>> Pillow;  // Pillow's RGBA, one-image files only
    std::vector<int> Entry;                  // width, height, colours, planes, bpp, size, offset
};

struct IconFile {
    int Count = 0;
    int Type = 0;
    std::int64_t Size = 0;
    std::vector<IconImage> Images;
};

IconFile ProbeIco(const std::filesystem::path& path);

struct BitmapFile {
    std::string Mode;
    int Width = 0;
    int Height = 0;
    std::vector<Rgb> Palette;
    std::vector<int> Index;
    std::vector<Rgb> Colours;
};

BitmapFile ProbeBmp(const std::filesystem::path& path);

// --- What the pipeline must give ------------------------------------------------------------

// Nearest-neighbour stretch onto size x size: target i takes source i * W / S.
Picture ScaleNearest(const Picture& picture, int size);
// The automatic mask over an icon of exact colours: the colour carried by most of the eight
// border samples, or nothing on a tie.
std::vector<int> AutoMaskOf(const Picture& icon);

struct Expected {
    Picture Colours;       // black where masked
    std::vector<int> Mask; // 1 = transparent
};

// The icon of a fitted picture, with or without the automatic mask.
Expected ExpectIcon(const Picture& fitted, bool autoMask);
// An icon whose mask comes with it (an icon-file source image kept at its size).
Expected ExpectIconWithMask(const Picture& colours, const std::vector<int>& mask);

// Every check an output icon image must pass against what was expected: size and depth,
// palette entry 0 black, masked pixels at index 0, every pixel's colour and mask bit, and
// icotool's (and Pillow's, when present) reading of colour and transparency.
::testing::AssertionResult IconMatches(const IconImage& image, const Expected& expected, int bits);
// The same for a bitmap output: 8 or 4 bits with its palette, entry 0 black, index 0 and
// black where the icon was masked.
::testing::AssertionResult BitmapMatches(const BitmapFile& bitmap, const Expected& expected,
                                         int bits);

} // namespace e2e
