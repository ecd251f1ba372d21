#include "process/loading/JpegLoader.h"

#include "process/loading/PictureFile.h"
#include "process/loading/PictureMemory.h"
#include "process/loading/Sampling.h"
#include "reduce/GraphicErrors.h"

#include <QFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

// libjpeg-turbo from 1.5 on can skip lines without making pixels of them.
#if defined(LIBJPEG_TURBO_VERSION_NUMBER) && LIBJPEG_TURBO_VERSION_NUMBER >= 1005000
#define TESSALY_JPEG_SKIPS_LINES 1
#else
#define TESSALY_JPEG_SKIPS_LINES 0
#endif

// libjpeg reports a fatal error by calling error_exit, which must not return. Ours jumps
// back with longjmp to the function that called into the library. Every function below
// that calls libjpeg arms the jump itself, keeps no object with a destructor of its own,
// and returns false when the jump arrives, so the jump never skips a destructor. The
// decompression object is released by the caller, also on failure.

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool armed;
    char message[JMSG_LENGTH_MAX];
    void (*emitDefault)(j_common_ptr, int);
    bool fileEnded;  // the source ran out of bytes and made up an end-of-image marker
    bool dataMissed; // after that, the decoder needed picture data that was not there
};

[[noreturn]] void onErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    // A fatal error outside an armed call would have nowhere to go.
    if (!manager->armed) std::abort();
    std::longjmp(manager->jump, 1);
}

// Warnings are counted by libjpeg but never printed.
void onOutputMessage(j_common_ptr) {}

// A file cut short shows as the decoder's "premature end of data segment" once the file
// has ended: the rows from there on would be made up. The same warning with the file not
// yet ended is damage inside the file, and the end alone (a file that only lacks its
// end-of-image marker) costs nothing.
void onEmitMessage(j_common_ptr cinfo, int level) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && manager->fileEnded && cinfo->err->msg_code == JWRN_HIT_MARKER)
        manager->dataMissed = true;
    manager->emitDefault(cinfo, level);
}

constexpr std::size_t kInputChunk = 64 * 1024;

// Feeds libjpeg from a QFile in chunks, so that no file is read whole into memory.
struct FileSource {
    jpeg_source_mgr pub;
    QFile* file;
    qint64 delivered; // bytes handed to libjpeg so far
    bool atStart;
    JOCTET* buffer; // kInputChunk bytes
};

void initSource(j_decompress_ptr cinfo) {
    reinterpret_cast<FileSource*>(cinfo->src)->atStart = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    qint64 got = source->file->read(reinterpret_cast<char*>(source->buffer), kInputChunk);
    if (got <= 0) {
        if (source->atStart) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // The end of the file: end it with an end-of-image marker, as libjpeg's own
        // sources do; whether picture data was still wanted shows in onEmitMessage.
        reinterpret_cast<ErrorManager*>(cinfo->err)->fileEnded = true;
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<std::size_t>(got);
    source->delivered += got;
    source->atStart = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    if (count <= 0) return;
    while (count > static_cast<long>(source->pub.bytes_in_buffer)) {
        count -= static_cast<long>(source->pub.bytes_in_buffer);
        (void)fillInputBuffer(cinfo);
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void termSource(j_decompress_ptr) {}

enum class OutputKind { Grey, Rgb, Cmyk };

bool createDecompress(jpeg_decompress_struct* cinfo, ErrorManager* errors) {
    errors->armed = true;
    if (setjmp(errors->jump)) {
        errors->armed = false;
        return false;
    }
    jpeg_create_decompress(cinfo);
    errors->armed = false;
    return true;
}

bool readHeader(jpeg_decompress_struct* cinfo, ErrorManager* errors) {
    errors->armed = true;
    if (setjmp(errors->jump)) {
        errors->armed = false;
        return false;
    }
    jpeg_read_header(cinfo, TRUE);
    errors->armed = false;
    return true;
}

bool startDecompress(jpeg_decompress_struct* cinfo, ErrorManager* errors) {
    errors->armed = true;
    if (setjmp(errors->jump)) {
        errors->armed = false;
        return false;
    }
    jpeg_start_decompress(cinfo);
    errors->armed = false;
    return true;
}

// libjpeg-turbo can deliver colour rows in the picture's own byte order (blue, green, red)
// with the same values as its red, green, blue output; plain libjpeg needs a swap per row.
#ifdef JCS_EXTENSIONS
constexpr J_COLOR_SPACE kColourOutput = JCS_EXT_BGR;
constexpr bool kSwapRedBlue = false;
#else
constexpr J_COLOR_SPACE kColourOutput = JCS_RGB;
constexpr bool kSwapRedBlue = true;
#endif

// Rows asked for per call: with room for a whole row group libjpeg writes its output
// straight into the picture instead of into a buffer of its own first.
constexpr JDIMENSION kRowsPerCall = 16;

void swapRedBlue(unsigned char* row, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x) {
        const unsigned char red = row[3 * x];
        row[3 * x] = row[3 * x + 2];
        row[3 * x + 2] = red;
    }
}

void cmykToBgr(const JSAMPLE* cmyk, unsigned char* row, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x) {
        unsigned int ink[4];
        for (int c = 0; c < 4; ++c) {
            ink[c] = cmyk[4 * x + c];
            if (!inverted) ink[c] = 255 - ink[c];
        }
        const unsigned int black = ink[3];
        row[3 * x] = static_cast<unsigned char>((ink[2] * black + 127) / 255);
        row[3 * x + 1] = static_cast<unsigned char>((ink[1] * black + 127) / 255);
        row[3 * x + 2] = static_cast<unsigned char>((ink[0] * black + 127) / 255);
    }
}

// Reads every scan line. Kept lines go straight into the picture's rows; the others (when
// `kept` lists the rows to keep, ascending) into `discard`, room for kRowsPerCall rows of
// `stride` bytes. CMYK rows go through `scratch` one at a time and are converted on the
// way, if kept. Every line is decoded either way, so the kept rows, the warnings and the
// errors are those of a full decode.
bool readRows(jpeg_decompress_struct* cinfo, ErrorManager* errors, unsigned char* rows,
              std::size_t stride, OutputKind kind, JSAMPROW scratch, bool inverted,
              const std::vector<int>* kept, unsigned char* discard) {
    errors->armed = true;
    if (setjmp(errors->jump)) {
        errors->armed = false;
        return false;
    }
    JSAMPROW targets[kRowsPerCall];
    bool keep[kRowsPerCall];
    std::size_t nextKept = 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION wanted =
            kind == OutputKind::Cmyk ? 1 : std::min(kRowsPerCall, cinfo->output_height - first);
        std::size_t look = nextKept;
        for (JDIMENSION i = 0; i < wanted; ++i) {
            const JDIMENSION row = first + i;
            keep[i] = kept == nullptr ||
                      (look < kept->size() && static_cast<JDIMENSION>((*kept)[look]) == row);
            if (keep[i]) ++look;
            if (kind == OutputKind::Cmyk)
                targets[i] = scratch;
            else
                targets[i] = keep[i] ? rows + stride * row : discard + stride * i;
        }
        // A short read leaves lines missing, which jpeg_finish_decompress refuses.
        const JDIMENSION got = jpeg_read_scanlines(cinfo, targets, wanted);
        if (got == 0) break;
        // libjpeg may deliver fewer lines than asked for: the rest are asked for again.
        if (kept != nullptr)
            for (JDIMENSION i = 0; i < got; ++i)
                if (keep[i]) ++nextKept;
        if (kind == OutputKind::Rgb && kSwapRedBlue) {
            for (JDIMENSION i = 0; i < got; ++i)
                if (keep[i]) swapRedBlue(rows + stride * (first + i), cinfo->output_width);
        } else if (kind == OutputKind::Cmyk && keep[0]) {
            cmykToBgr(scratch, rows + stride * first, cinfo->output_width, inverted);
        }
    }
    jpeg_finish_decompress(cinfo);
    errors->armed = false;
    return true;
}

#if TESSALY_JPEG_SKIPS_LINES
// Reads just the kept rows (ascending) of a colour picture into the picture and lets
// libjpeg skip the lines between them: those are still entropy-decoded, so the whole file
// is read with the same warnings and errors, but no pixels are made of them. The lines
// read are made from the same coefficients and neighbouring rows as in a full decode, and
// come out the same (the tests hold this against full decodes of many files). CMYK rows
// go through `scratch`; `discard` has room for one line of any kind.
bool readKeptRows(jpeg_decompress_struct* cinfo, ErrorManager* errors, unsigned char* rows,
                  std::size_t stride, OutputKind kind, JSAMPROW scratch, bool inverted,
                  const std::vector<int>& kept, JSAMPROW discard) {
    errors->armed = true;
    if (setjmp(errors->jump)) {
        errors->armed = false;
        return false;
    }
    for (const int row : kept) {
        const auto line = static_cast<JDIMENSION>(row);
        if (line >= cinfo->output_height) break;
        if (line > cinfo->output_scanline)
            jpeg_skip_scanlines(cinfo, line - cinfo->output_scanline);
        if (cinfo->output_scanline != line) break; // the picture ended early
        JSAMPROW target = kind == OutputKind::Cmyk ? scratch : rows + stride * line;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) break;
        if (kind == OutputKind::Rgb && kSwapRedBlue) swapRedBlue(target, cinfo->output_width);
        if (kind == OutputKind::Cmyk)
            cmykToBgr(scratch, rows + stride * line, cinfo->output_width, inverted);
    }
    // libjpeg stops reading when told to skip to the end of the picture, and would then
    // miss damage further on: skip up to the last line and read that one.
    if (cinfo->output_scanline + 1 < cinfo->output_height)
        jpeg_skip_scanlines(cinfo, cinfo->output_height - 1 - cinfo->output_scanline);
    if (cinfo->output_scanline + 1 == cinfo->output_height) {
        JSAMPROW target = discard;
        jpeg_read_scanlines(cinfo, &target, 1);
    }
    jpeg_finish_decompress(cinfo);
    errors->armed = false;
    return true;
}
#endif

// Releases libjpeg's state however decoding ended.
class DecompressGuard {
public:
    explicit DecompressGuard(jpeg_decompress_struct* cinfo) : cinfo_(cinfo) {}
    ~DecompressGuard() { jpeg_destroy_decompress(cinfo_); }
    DecompressGuard(const DecompressGuard&) = delete;
    DecompressGuard& operator=(const DecompressGuard&) = delete;

private:
    jpeg_decompress_struct* cinfo_;
};

JpegFrameLayout frameLayout(const jpeg_decompress_struct& cinfo) {
    JpegFrameLayout layout;
    layout.Width = cinfo.image_width;
    layout.Height = cinfo.image_height;
    layout.Components = cinfo.num_components;
    for (int i = 0; i < std::min(cinfo.num_components, 4); ++i) {
        layout.HSampling[i] = cinfo.comp_info[i].h_samp_factor;
        layout.VSampling[i] = cinfo.comp_info[i].v_samp_factor;
    }
    return layout;
}

[[noreturn]] void fail(const ErrorManager& errors) {
    throw EInvalidGraphic(std::string("JPEG error: ") + errors.message);
}

} // namespace

bool LineSkippingIsExact(const JpegFrameLayout& layout) {
    // Smaller pictures are decoded whole. From this size on every component is at least
    // four samples wide, so it is upsampled as in any photo and never by the simpler code
    // libjpeg keeps for components one or two samples wide, whose rows a skip puts out of
    // step.
    constexpr std::int64_t kSmallestSkipped = 16;
    if (layout.Width < kSmallestSkipped || layout.Height < kSmallestSkipped ||
        layout.Components < 1 || layout.Components > 4)
        return false;
    int widest = 1;
    int tallest = 1;
    for (int i = 0; i < layout.Components; ++i) {
        if (layout.HSampling[i] < 1 || layout.HSampling[i] > 4 || layout.VSampling[i] < 1 ||
            layout.VSampling[i] > 4)
            return false;
        widest = std::max(widest, layout.HSampling[i]);
        tallest = std::max(tallest, layout.VSampling[i]);
    }
    // (libjpeg refuses other ratios before any line is read.)
    for (int i = 0; i < layout.Components; ++i)
        if (widest % layout.HSampling[i] != 0 || tallest % layout.VSampling[i] != 0) return false;
    // One line per row group: however wide the upsampling, a skip keeps every component's
    // rows in step.
    if (tallest == 1) return true;
    // Two lines per row group stay in step only where some component is smoothed between
    // rows (libjpeg then works with the rows around each group); upsampled by plain
    // repetition, or by three or four lines, the line after a skip takes the wrong row of
    // a subsampled component.
    if (tallest > 2) return false;
    bool smoothedBetweenRows = false;
    for (int i = 0; i < layout.Components; ++i) {
        if (widest / layout.HSampling[i] > 2) return false;
        if (layout.VSampling[i] == 1) smoothedBetweenRows = true;
    }
    return smoothedBetweenRows;
}

QImage LoadJpegPicture(const QString& fileName, std::int64_t maxPixels, std::int32_t rowsFor,
                       std::int32_t scaleFor) {
    if (scaleFor > 0 || rowsFor <= 0) return LoadJpegRows(fileName, maxPixels, nullptr, scaleFor);
    return LoadJpegRows(fileName, maxPixels,
                        [rowsFor](int, int height) { return StretchRows(height, rowsFor); });
}

QImage LoadJpegRows(const QString& fileName, std::int64_t maxPixels,
                    const std::function<std::vector<int>(int width, int height)>& rowsOf,
                    std::int32_t scaleFor) {
    QFile file;
    OpenPictureFile(file, fileName);

    // Both structures are plain C data: zeroed here, released by the guard.
    auto errors = std::make_unique<ErrorManager>();
    auto source = std::make_unique<FileSource>();
    // Every byte of the input buffer is written before libjpeg reads it: no need to clear it.
    const auto input = std::make_unique_for_overwrite<JOCTET[]>(kInputChunk);
    source->buffer = input.get();
    auto cinfo = std::make_unique<jpeg_decompress_struct>();

    cinfo->err = jpeg_std_error(&errors->pub);
    errors->pub.error_exit = onErrorExit;
    errors->pub.output_message = onOutputMessage;
    errors->emitDefault = errors->pub.emit_message;
    errors->pub.emit_message = onEmitMessage;
    if (!createDecompress(cinfo.get(), errors.get())) fail(*errors);
    DecompressGuard guard(cinfo.get());

    source->file = &file;
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    cinfo->src = &source->pub;

    if (!readHeader(cinfo.get(), errors.get())) fail(*errors);
    // libjpeg would fill a picture whose file ends right after its first scan header with
    // grey; with not one byte of picture data there is no picture to speak of.
    const qint64 headerEnd = source->delivered - static_cast<qint64>(source->pub.bytes_in_buffer);
    if (headerEnd >= file.size()) throw EInvalidGraphic("JPEG file holds no picture data");
    if (static_cast<std::int64_t>(cinfo->image_width) *
            static_cast<std::int64_t>(cinfo->image_height) >
        maxPixels)
        throw EInvalidGraphic("JPEG picture too large");

    OutputKind kind;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        kind = OutputKind::Grey;
        cinfo->out_color_space = JCS_GRAYSCALE;
        // Scaled pictures are averaged, not reduced: their greys stay as decoded.
        cinfo->quantize_colors = scaleFor > 0 ? FALSE : TRUE;
        cinfo->desired_number_of_colors = 255;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        kind = OutputKind::Rgb;
        cinfo->out_color_space = kColourOutput;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        kind = OutputKind::Cmyk;
        cinfo->out_color_space = JCS_CMYK;
        break;
    default:
        throw EInvalidGraphic("JPEG colour space not supported");
    }
    cinfo->do_block_smoothing = FALSE;
    if (scaleFor > 0) {
        // The smallest of libjpeg's scales M/8 that keeps both sides at least scaleFor.
        const auto fits = [&](unsigned m) {
            return (cinfo->image_width * m + 7) / 8 >= static_cast<unsigned>(scaleFor) &&
                   (cinfo->image_height * m + 7) / 8 >= static_cast<unsigned>(scaleFor);
        };
        unsigned m = 1;
        while (m < 8 && !fits(m))
            ++m;
        cinfo->scale_num = m;
        cinfo->scale_denom = 8;
    }

    if (!startDecompress(cinfo.get(), errors.get())) fail(*errors);
    const int expectedComponents = kind == OutputKind::Cmyk ? 4 : kind == OutputKind::Rgb ? 3 : 1;
    if (cinfo->output_components != expectedComponents ||
        (kind == OutputKind::Grey && cinfo->quantize_colors &&
         (cinfo->colormap == nullptr || cinfo->out_color_components != 1 ||
          cinfo->actual_number_of_colors < 1 || cinfo->actual_number_of_colors > 256)))
        throw EInvalidGraphic("JPEG decoder delivered an unexpected layout");

    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    const QImage::Format format =
        kind == OutputKind::Grey ? QImage::Format_Indexed8 : QImage::Format_BGR888;
    // With rows to keep, the others are left 0: on memory that costs nothing until it is
    // written where the picture is large, cleared where it is small.
    QImage picture;
    if (rowsOf && static_cast<std::int64_t>(width) * height * (kind == OutputKind::Grey ? 1 : 3) >=
                      LargePictureBytes)
        picture = AllocateSparsePicture(width, height, format);
    const bool sparse = !picture.isNull();
    if (!sparse) picture = AllocatePicture(width, height, format);
    if (picture.isNull()) throw EOutOfMemory("Not enough memory for the JPEG picture");
    if (rowsOf && !sparse) picture.fill(0);
    if (kind == OutputKind::Grey && !cinfo->quantize_colors) {
        QList<QRgb> table;
        for (int grey = 0; grey < 256; ++grey)
            table.append(qRgb(grey, grey, grey));
        picture.setColorTable(table);
    } else if (kind == OutputKind::Grey) {
        QList<QRgb> table;
        table.reserve(cinfo->actual_number_of_colors);
        for (int i = 0; i < cinfo->actual_number_of_colors; ++i) {
            const int grey = cinfo->colormap[0][i];
            table.append(qRgb(grey, grey, grey));
        }
        picture.setColorTable(table);
    }

    const auto stride = static_cast<std::size_t>(picture.bytesPerLine());
    std::vector<JSAMPLE> scratch;
    if (kind == OutputKind::Cmyk) scratch.resize(static_cast<std::size_t>(width) * 4);
    std::vector<int> kept;
    if (rowsOf) kept = rowsOf(width, height);
    const bool someRows = rowsOf && kept.size() < static_cast<std::size_t>(height);
    const bool inverted = cinfo->saw_Adobe_marker != FALSE;
    bool decoded = false;
    bool skipped = false;
    // Grey lines go through libjpeg's dithering, which carries its error from line to line:
    // skipped lines would change the kept ones. They are all decoded, the others kept away,
    // as are the lines of colour layouts whose skipping is not known to be exact.
#if TESSALY_JPEG_SKIPS_LINES
    if (someRows && kind != OutputKind::Grey && LineSkippingIsExact(frameLayout(*cinfo))) {
        std::vector<JSAMPLE> discard(std::max(stride, scratch.size()));
        decoded = readKeptRows(cinfo.get(), errors.get(), picture.bits(), stride, kind,
                               scratch.data(), inverted, kept, discard.data());
        skipped = true;
    }
#endif
    if (!skipped) {
        std::vector<unsigned char> discard;
        if (someRows && kind != OutputKind::Cmyk) discard.resize(stride * kRowsPerCall);
        decoded = readRows(cinfo.get(), errors.get(), picture.bits(), stride, kind, scratch.data(),
                           inverted, someRows ? &kept : nullptr, discard.data());
    }
    if (!decoded) fail(*errors);
    if (errors->dataMissed) throw EInvalidGraphic("The file ends early");
    return picture;
}
