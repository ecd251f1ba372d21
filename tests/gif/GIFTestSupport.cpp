#include "GIFTestSupport.h"

#include <QBuffer>
#include <map>

#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

namespace giftest {

Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
    Bytes out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const auto& [code, width] : codes) {
        bits |= static_cast<std::uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) out.push_back(static_cast<std::uint8_t>(bits));
    return out;
}

void PutWord(Bytes& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::vector<TGIFColor> Colors(int count) {
    std::vector<TGIFColor> colors;
    for (int i = 0; i < count; ++i) {
        colors.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                          static_cast<std::uint8_t>((7 * i) % 256)});
    }
    return colors;
}

namespace {

int SizeField(std::size_t count) {
    int n = 0;
    while ((std::size_t{2} << n) < count)
        ++n;
    return n;
}

void PutColors(Bytes& out, const std::vector<TGIFColor>& colors) {
    for (const TGIFColor& c : colors) {
        out.push_back(c.Red);
        out.push_back(c.Green);
        out.push_back(c.Blue);
    }
}

} // namespace

Bytes Header(int width, int height, const std::vector<TGIFColor>& global,
             const std::string& signature) {
    Bytes out(signature.begin(), signature.end());
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(global.empty() ? 0x70
                                 : static_cast<std::uint8_t>(0xF0 | SizeField(global.size())));
    out.push_back(0); // background
    out.push_back(0); // aspect
    PutColors(out, global);
    return out;
}

void AddGraphicControl(Bytes& out, bool transparent, int transparentIndex) {
    Append(out, {0x21, 0xF9, 4, static_cast<std::uint8_t>(transparent ? 1 : 0), 0, 0,
                 static_cast<std::uint8_t>(transparentIndex), 0});
}

void AddComment(Bytes& out, const std::vector<std::string>& lines) {
    Append(out, {0x21, 0xFE});
    for (const std::string& line : lines) {
        out.push_back(static_cast<std::uint8_t>(line.size()));
        out.insert(out.end(), line.begin(), line.end());
    }
    out.push_back(0);
}

Bytes LZWCodes(const std::vector<std::uint8_t>& indices, int minCodeSize, bool endCode) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int next = clear + 2;
    int width = minCodeSize + 1;
    int codesSinceClear = 0;
    std::map<std::uint32_t, int> table;
    std::vector<std::pair<int, int>> codes{{clear, width}};
    auto putCode = [&](int code) {
        codes.emplace_back(code, width);
        ++codesSinceClear;
    };
    if (!indices.empty()) {
        int current = indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            const std::uint32_t key = (static_cast<std::uint32_t>(current) << 8) | indices[i];
            const auto found = table.find(key);
            if (found != table.end()) {
                current = found->second;
                continue;
            }
            putCode(current);
            table[key] = next++;
            // The decoder adds its entries one code later, so it widens one code later.
            if (next > (1 << width) && width < 12) ++width;
            if (next == 4096) {
                codes.emplace_back(clear, width);
                table.clear();
                next = clear + 2;
                width = minCodeSize + 1;
                codesSinceClear = 0;
            }
            current = indices[i];
        }
        putCode(current);
    }
    if (endCode) {
        // The decoder adds an entry for the last code before it reads the end code.
        if (codesSinceClear >= 2 && next >= (1 << width) && width < 12) ++width;
        codes.emplace_back(end, width);
    }
    return PackCodes(codes);
}

Bytes SubBlocks(const Bytes& data, std::size_t blockSize) {
    Bytes out;
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        const std::size_t n = std::min(blockSize, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    return out;
}

void AddImage(Bytes& out, const Frame& frame) {
    out.push_back(0x2C);
    PutWord(out, frame.left);
    PutWord(out, frame.top);
    PutWord(out, frame.width);
    PutWord(out, frame.height);
    std::uint8_t flags = frame.interlaced ? 0x40 : 0;
    if (!frame.local.empty())
        flags |= static_cast<std::uint8_t>(0x80 | SizeField(frame.local.size()));
    out.push_back(flags);
    PutColors(out, frame.local);

    std::vector<std::uint8_t> stored = frame.indices;
    if (frame.interlaced) {
        stored.clear();
        const int starts[] = {0, 4, 2, 1};
        const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = starts[pass]; y < frame.height; y += steps[pass]) {
                const auto row =
                    frame.indices.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
                stored.insert(stored.end(), row, row + frame.width);
            }
        }
    }
    out.push_back(static_cast<std::uint8_t>(frame.minCodeSize));
    Append(out, SubBlocks(LZWCodes(stored, frame.minCodeSize)));
}

std::vector<std::uint8_t> Pattern(int width, int height, int colors) {
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            indices.push_back(static_cast<std::uint8_t>((x + 3 * y) % colors));
    }
    return indices;
}

std::vector<std::string> Load(TGIFImage& image, const Bytes& bytes) {
    std::vector<std::string> warnings;
    image.OnWarning = [&warnings](TGIFItem*, const std::string& message) {
        warnings.push_back(message);
    };
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    try {
        image.LoadFromStream(buffer);
    } catch (...) {
        image.OnWarning = nullptr;
        throw;
    }
    image.OnWarning = nullptr;
    return warnings;
}

std::string LoadError(const Bytes& bytes) {
    TGIFImage image;
    try {
        Load(image, bytes);
    } catch (const GIFException& e) {
        return e.what();
    }
    return "";
}

int IndexAt(const QImage& picture, int x, int y) {
    return picture.constScanLine(y)[x];
}

std::string ConvertProgram() {
    return std::filesystem::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
}

} // namespace giftest
