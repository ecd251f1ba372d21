// Survey of libjpeg's line skipping: where does a line read after jpeg_skip_scanlines come
// out exactly as in a full decode? The JPEG loader skips lines only where
// LineSkippingIsExact says so; this tool holds that rule against the library itself.
//
// For every sampling layout, baseline and progressive, every width 1..64 and heights 1..40
// plus some taller ones, it encodes a noisy picture in memory with libjpeg, decodes it
// whole, then again reading just the rows a stretch to 16, 32 and 48 reads and skipping the
// lines between them in the order the loader does, and compares the rows. The named
// layouts (what `cjpeg -sample` writes, RGB, CMYK and YCCK files) get that whole grid and a
// few large pictures; every other layout libjpeg can write (each component's factors 1..4,
// at most ten blocks per MCU) gets a sparser grid, four-component ones a sparser one still.
// It prints one line per layout: cases, how many of them the rule skips lines in, how many
// differed and at which widths and heights. It exits 1 if the rule skips in any case that
// differed.
//
//   cmake --build build -t jpeg_skip_survey && build/bin/jpeg_skip_survey [--named]
//
// --named leaves out the sweep of all layouts (which takes half an hour on a busy machine;
// the named ones a few minutes). The sweep runs each layout in a child process that is
// stopped after five minutes, since on some layouts a skip never returns.
#include "process/loading/JpegLoader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Layout {
    J_COLOR_SPACE Space;
    int Components;
    int H[4];
    int V[4];
};

std::string describe(const Layout& layout) {
    std::string text = layout.Space == JCS_YCbCr  ? "YCbCr"
                       : layout.Space == JCS_RGB  ? "RGB"
                       : layout.Space == JCS_CMYK ? "CMYK"
                                                  : "YCCK";
    for (int i = 0; i < layout.Components; ++i)
        text +=
            (i == 0 ? " " : ",") + std::to_string(layout.H[i]) + "x" + std::to_string(layout.V[i]);
    return text;
}

struct LibraryError {};

[[noreturn]] void throwError(j_common_ptr) {
    throw LibraryError{};
}
void quiet(j_common_ptr) {}

// A picture with ramps and noise in every channel, so that a row taken from the wrong
// place shows; empty when libjpeg refuses the layout.
std::vector<unsigned char> encode(const Layout& layout, int width, int height, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    errors.error_exit = throwError;
    errors.output_message = quiet;
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<unsigned char> file;
    try {
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = static_cast<JDIMENSION>(width);
        cinfo.image_height = static_cast<JDIMENSION>(height);
        cinfo.input_components = layout.Components;
        cinfo.in_color_space = layout.Components == 4 ? JCS_CMYK : JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_colorspace(&cinfo, layout.Space);
        jpeg_set_quality(&cinfo, 90, TRUE);
        for (int i = 0; i < layout.Components; ++i) {
            cinfo.comp_info[i].h_samp_factor = layout.H[i];
            cinfo.comp_info[i].v_samp_factor = layout.V[i];
        }
        if (progressive) jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<unsigned char> row(static_cast<std::size_t>(width) * layout.Components);
        while (cinfo.next_scanline < cinfo.image_height) {
            const auto y = cinfo.next_scanline;
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < layout.Components; ++c) {
                    std::uint32_t noise = (x * 73856093u) ^ (y * 19349663u) ^ (c * 83492791u);
                    noise = (noise ^ (noise >> 13)) * 0x5bd1e995u;
                    noise ^= noise >> 15;
                    const int ramp = c == 0   ? x * 255 / width
                                     : c == 1 ? static_cast<int>(y) * 255 / height
                                              : (x + static_cast<int>(y)) * 4;
                    row[static_cast<std::size_t>(x) * layout.Components + c] =
                        static_cast<unsigned char>((ramp + (noise & 127)) & 255);
                }
            JSAMPROW line = row.data();
            jpeg_write_scanlines(&cinfo, &line, 1);
        }
        jpeg_finish_compress(&cinfo);
        file.assign(buffer, buffer + size);
    } catch (const LibraryError&) {
        file.clear();
    }
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return file;
}

struct Decoded {
    bool Ok = false;
    std::size_t Stride = 0;
    std::vector<unsigned char> Pixels;
    JpegFrameLayout Frame;
};

// Decodes as the loader does: colour rows as blue, green, red, CMYK as it is, no block
// smoothing. With `rowsFor` only the rows of a stretch to that size are read, the lines
// between them skipped, and the file then skipped up to its last line, which is read.
Decoded decode(const std::vector<unsigned char>& file, int rowsFor) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    errors.error_exit = throwError;
    errors.output_message = quiet;
    jpeg_create_decompress(&cinfo);
    Decoded result;
    try {
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = cinfo.num_components == 4 ? JCS_CMYK : JCS_EXT_BGR;
        cinfo.do_block_smoothing = FALSE;
        jpeg_start_decompress(&cinfo);
        result.Frame.Width = cinfo.image_width;
        result.Frame.Height = cinfo.image_height;
        result.Frame.Components = cinfo.num_components;
        for (int i = 0; i < cinfo.num_components && i < 4; ++i) {
            result.Frame.HSampling[i] = cinfo.comp_info[i].h_samp_factor;
            result.Frame.VSampling[i] = cinfo.comp_info[i].v_samp_factor;
        }
        const JDIMENSION height = cinfo.output_height;
        result.Stride = static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
        result.Pixels.assign(result.Stride * height, 0);
        auto rowAt = [&](JDIMENSION y) { return result.Pixels.data() + result.Stride * y; };
        if (rowsFor == 0) {
            while (cinfo.output_scanline < height) {
                JSAMPROW rows[16];
                const JDIMENSION first = cinfo.output_scanline;
                const JDIMENSION wanted = std::min<JDIMENSION>(16, height - first);
                for (JDIMENSION i = 0; i < wanted; ++i)
                    rows[i] = rowAt(first + i);
                if (jpeg_read_scanlines(&cinfo, rows, wanted) == 0) break;
            }
        } else {
            std::vector<unsigned char> discard(result.Stride);
            for (int j = 0; j < rowsFor; ++j) {
                const auto line = static_cast<JDIMENSION>(std::int64_t{j} * height / rowsFor);
                if (line < cinfo.output_scanline) continue;
                if (line > cinfo.output_scanline)
                    jpeg_skip_scanlines(&cinfo, line - cinfo.output_scanline);
                JSAMPROW target = rowAt(line);
                if (cinfo.output_scanline != line || jpeg_read_scanlines(&cinfo, &target, 1) != 1)
                    break;
            }
            if (cinfo.output_scanline + 1 < height)
                jpeg_skip_scanlines(&cinfo, height - 1 - cinfo.output_scanline);
            if (cinfo.output_scanline + 1 == height) {
                JSAMPROW target = discard.data();
                jpeg_read_scanlines(&cinfo, &target, 1);
            }
        }
        jpeg_finish_decompress(&cinfo);
        result.Ok = true;
    } catch (const LibraryError&) {
        result.Ok = false;
    }
    jpeg_destroy_decompress(&cinfo);
    return result;
}

struct Tally {
    long Cases = 0;
    long Differed = 0;
    long Admitted = 0;
    long AdmittedAndDiffered = 0;
    int Widths[2] = {1 << 30, 0};
    int Heights[2] = {1 << 30, 0};
};

void survey(const Layout& layout, const std::vector<int>& widths, const std::vector<int>& heights,
            Tally& tally) {
    for (bool progressive : {false, true})
        for (int width : widths)
            for (int height : heights) {
                const std::vector<unsigned char> file = encode(layout, width, height, progressive);
                if (file.empty()) return; // a layout libjpeg does not write
                const Decoded whole = decode(file, 0);
                if (!whole.Ok) return; // nor read
                const bool admitted = LineSkippingIsExact(whole.Frame);
                for (int size : {16, 32, 48}) {
                    const Decoded part = decode(file, size);
                    bool same = part.Ok;
                    for (int j = 0; same && j < size; ++j) {
                        const std::size_t at = whole.Stride * (std::int64_t{j} * height / size);
                        same = std::memcmp(&part.Pixels[at], &whole.Pixels[at], whole.Stride) == 0;
                    }
                    ++tally.Cases;
                    if (admitted) ++tally.Admitted;
                    if (same) continue;
                    ++tally.Differed;
                    if (admitted) ++tally.AdmittedAndDiffered;
                    tally.Widths[0] = std::min(tally.Widths[0], width);
                    tally.Widths[1] = std::max(tally.Widths[1], width);
                    tally.Heights[0] = std::min(tally.Heights[0], height);
                    tally.Heights[1] = std::max(tally.Heights[1], height);
                }
            }
}

bool report(const Layout& layout, const Tally& tally) {
    if (tally.Cases == 0) return true;
    std::printf("%-26s %6ld cases, %5ld skipped, %5ld differed", describe(layout).c_str(),
                tally.Cases, tally.Admitted, tally.Differed);
    if (tally.Differed > 0)
        std::printf(" (widths %d..%d, heights %d..%d)", tally.Widths[0], tally.Widths[1],
                    tally.Heights[0], tally.Heights[1]);
    if (tally.AdmittedAndDiffered > 0)
        std::printf("  RULE WRONG in %ld cases", tally.AdmittedAndDiffered);
    std::printf("\n");
    std::fflush(stdout);
    return tally.AdmittedAndDiffered == 0;
}

// Surveys the layout in a child process: jpeg_skip_scanlines never returns on some
// layouts (progressive 1x4,1x2,1x1 with libjpeg-turbo 2.1.5), which is reported as such and
// is a fault of the rule only if the rule skips there.
bool surveyApart(const Layout& layout, const std::vector<int>& widths,
                 const std::vector<int>& heights) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        alarm(300);
        Tally tally;
        survey(layout, widths, heights, tally);
        std::_Exit(report(layout, tally) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return false;
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 0;
    JpegFrameLayout frame{1000, 1000, layout.Components, {}, {}};
    std::copy(layout.H, layout.H + 4, frame.HSampling);
    std::copy(layout.V, layout.V + 4, frame.VSampling);
    const bool admitted = LineSkippingIsExact(frame);
    std::printf("%-26s a skip never returned%s\n", describe(layout).c_str(),
                admitted ? "  RULE WRONG" : "");
    return !admitted;
}

} // namespace

int main(int argc, char** argv) {
    const bool namedOnly = argc > 1 && std::strcmp(argv[1], "--named") == 0;
    std::vector<int> allWidths;
    for (int w = 1; w <= 64; ++w)
        allWidths.push_back(w);
    std::vector<int> allHeights;
    for (int h = 1; h <= 40; ++h)
        allHeights.push_back(h);
    for (int h : {47, 63, 64, 65, 100, 127, 300})
        allHeights.push_back(h);

    const std::vector<Layout> named = {
        {JCS_YCbCr, 3, {1, 1, 1}, {1, 1, 1}},      {JCS_YCbCr, 3, {2, 1, 1}, {1, 1, 1}},
        {JCS_YCbCr, 3, {1, 1, 1}, {2, 1, 1}},      {JCS_YCbCr, 3, {2, 1, 1}, {2, 1, 1}},
        {JCS_YCbCr, 3, {4, 1, 1}, {1, 1, 1}},      {JCS_YCbCr, 3, {1, 1, 1}, {4, 1, 1}},
        {JCS_YCbCr, 3, {4, 1, 1}, {2, 1, 1}},      {JCS_YCbCr, 3, {2, 1, 1}, {4, 1, 1}},
        {JCS_YCbCr, 3, {3, 1, 1}, {1, 1, 1}},      {JCS_YCbCr, 3, {3, 1, 1}, {2, 1, 1}},
        {JCS_YCbCr, 3, {2, 1, 1}, {2, 2, 2}},      {JCS_YCbCr, 3, {2, 1, 1}, {1, 2, 2}},
        {JCS_RGB, 3, {1, 1, 1}, {1, 1, 1}},        {JCS_RGB, 3, {2, 1, 1}, {2, 1, 1}},
        {JCS_CMYK, 4, {1, 1, 1, 1}, {1, 1, 1, 1}}, {JCS_CMYK, 4, {2, 1, 1, 2}, {2, 1, 1, 2}},
        {JCS_YCCK, 4, {2, 1, 1, 2}, {2, 1, 1, 2}}, {JCS_YCCK, 4, {2, 1, 1, 1}, {1, 1, 1, 1}},
    };
    bool ruleHolds = true;
    long cases = 0;
    for (const Layout& layout : named) {
        Tally tally;
        survey(layout, allWidths, allHeights, tally);
        // Large pictures: the rule admits them, so they must match too.
        survey(layout, {257, 1000}, {500, 1001}, tally);
        ruleHolds = report(layout, tally) && ruleHolds;
        cases += tally.Cases;
    }
    if (!namedOnly) {
        // Four-component layouts, over twice as many, get fewer sizes still.
        const std::vector<int> widths[2] = {
            {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 24, 31, 33, 48, 64}, {1, 2, 3, 5, 15, 16, 17, 33}};
        const std::vector<int> heights[2] = {
            {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 32, 33, 35, 47, 63, 65, 100, 300},
            {1, 15, 16, 17, 35, 100, 300}};
        for (int components : {3, 4}) {
            int factors[8] = {};
            // Every component's (h, v) in 1..4 x 1..4, as an odometer.
            for (bool more = true; more;) {
                Layout layout{components == 4 ? JCS_CMYK : JCS_YCbCr, components, {}, {}};
                int blocks = 0;
                for (int i = 0; i < components; ++i) {
                    layout.H[i] = factors[2 * i] + 1;
                    layout.V[i] = factors[2 * i + 1] + 1;
                    blocks += layout.H[i] * layout.V[i];
                }
                if (blocks <= 10) {
                    ruleHolds =
                        surveyApart(layout, widths[components - 3], heights[components - 3]) &&
                        ruleHolds;
                }
                more = false;
                for (int i = 0; i < 2 * components && !more; ++i) {
                    more = ++factors[i] < 4;
                    if (!more) factors[i] = 0;
                }
            }
        }
    }
    std::printf("%ld cases in the named layouts; the loader's rule %s\n", cases,
                ruleHolds ? "skips only where rows came out exact" : "IS WRONG");
    return ruleHolds ? 0 : 1;
}
