#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
using testutil::shellQuote;

namespace e2e {

namespace {

constexpr Rgb kBorder{40, 160, 220};
constexpr Rgb kInk[3] = {{230, 30, 30}, {250, 220, 40}, {30, 200, 60}};
constexpr Rgb kCross{245, 245, 245};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Python() {
    return testutil::systemPython() + " " + shellQuote(ToolScript().string());
}

QJsonObject RunProbe(const std::string& command, const fs::path& path) {
    const auto result =
        testutil::runCommand(Python() + " " + command + " " + shellQuote(path.string()));
    if (result.exitCode != 0) throw std::runtime_error(command + " failed: " + result.output);
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.output), &error);
    if (!doc.isObject()) throw std::runtime_error(command + " gave no JSON: " + result.output);
    return doc.object();
}

Rgb ToRgb(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    return {static_cast<std::uint8_t>(a[0].toInt()), static_cast<std::uint8_t>(a[1].toInt()),
            static_cast<std::uint8_t>(a[2].toInt())};
}

std::vector<int> Flatten(const QJsonValue& rows) {
    std::vector<int> out;
    for (const QJsonValue& row : rows.toArray())
        for (const QJsonValue& v : row.toArray())
            out.push_back(v.toInt());
    return out;
}

std::vector<std::array<int, 4>> FlattenRgba(const QJsonValue& rows) {
    std::vector<std::array<int, 4>> out;
    for (const QJsonValue& row : rows.toArray()) {
        for (const QJsonValue& v : row.toArray()) {
            const QJsonArray a = v.toArray();
            out.push_back({a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()});
        }
    }
    return out;
}

::testing::AssertionResult CheckRgba(const std::vector<std::array<int, 4>>& rgba,
                                     const Expected& expected, const char* reader) {
    const int s = expected.Colours.Width;
    if (rgba.size() != static_cast<std::size_t>(s * s))
        return ::testing::AssertionFailure() << reader << " read " << rgba.size() << " pixels";
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            const auto& p = rgba[static_cast<std::size_t>(y * s + x)];
            const std::size_t i = static_cast<std::size_t>(y * s + x);
            if (expected.Mask[i]) {
                if (p[3] != 0)
                    return ::testing::AssertionFailure()
                           << reader << ": pixel (" << x << ", " << y << ") is not transparent";
            } else {
                const Rgb want = expected.Colours.At(x, y);
                if (p[3] != 255 || p[0] != want.R || p[1] != want.G || p[2] != want.B)
                    return ::testing::AssertionFailure()
                           << reader << ": pixel (" << x << ", " << y << ") is " << p[0] << ","
                           << p[1] << "," << p[2] << " alpha " << p[3] << ", expected "
                           << Describe(want);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

std::string Describe(const Rgb& c) {
    return std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B);
}

Picture::Picture(int width, int height, Rgb fill)
    : Width(width), Height(height), Pixels(static_cast<std::size_t>(width) * height, fill) {}

Picture Patterned(int width, int height) {
    Picture p(width, height, kBorder);
    const int bx = std::max(1, width / 8);
    const int by = std::max(1, height / 8);
    for (int y = by; y < height - by; ++y) {
        for (int x = bx; x < width - bx; ++x) {
            if (x == width / 2 || y == height / 3)
                p.At(x, y) = kCross;
            else
                p.At(x, y) = kInk[((x + 2 * y) / 3) % 3];
        }
    }
    return p;
}

fs::path ToolScript() {
    return fs::path(TESSALY_SOURCE_DIR) / "tests" / "cli" / "picture_tool.py";
}

void WritePpm(const fs::path& path, const Picture& picture) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.Width << " " << picture.Height << "\n255\n";
    for (const Rgb& c : picture.Pixels) {
        const char bytes[3] = {static_cast<char>(c.R), static_cast<char>(c.G),
                               static_cast<char>(c.B)};
        out.write(bytes, 3);
    }
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WritePgm(const fs::path& path, const std::vector<std::uint8_t>& grey, int width, int height) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(grey.data()),
              static_cast<std::streamsize>(grey.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void Encode(const Picture& picture, const fs::path& out, const std::string& kind,
            const std::vector<std::uint8_t>* alpha) {
    const fs::path ppm = out.string() + ".src.ppm";
    WritePpm(ppm, picture);
    std::string command = Python() + " encode " + shellQuote(ppm.string()) + " " +
                          shellQuote(out.string()) + " " + kind;
    fs::path pgm;
    if (alpha) {
        pgm = out.string() + ".alpha.pgm";
        WritePgm(pgm, *alpha, picture.Width, picture.Height);
        command += " " + shellQuote(pgm.string());
    }
    const auto result = testutil::runCommand(command);
    fs::remove(ppm);
    if (!pgm.empty()) fs::remove(pgm);
    if (result.exitCode != 0) throw std::runtime_error("encode failed: " + result.output);
}

RunResult RunConvert(const fs::path& cwd, const std::vector<std::string>& args) {
    const testutil::TempDir logs;
    const fs::path outFile = logs / "out";
    const fs::path errFile = logs / "err";
    // In a subshell: runCommand sends the outer standard error to its standard output.
    std::string command = "(cd " + shellQuote(cwd.string()) +
                          " && timeout 120 env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY " +
                          shellQuote((testutil::binDir() / "tessaly-convert").string());
    for (const std::string& a : args)
        command += " " + shellQuote(a);
    command +=
        " >" + shellQuote(outFile.string()) + " 2>" + shellQuote(errFile.string()) + " </dev/null)";
    RunResult result;
    result.ExitCode = testutil::runCommand(command).exitCode;
    result.Out = ReadText(outFile);
    result.Err = ReadText(errFile);
    return result;
}

IconFile ProbeIco(const fs::path& path) {
    const QJsonObject o = RunProbe("probe-ico", path);
    IconFile file;
    file.Count = o["count"].toInt();
    file.Type = o["type"].toInt();
    file.Size = o["size"].toInteger();
    for (const QJsonValue& v : o["images"].toArray()) {
        const QJsonObject im = v.toObject();
        IconImage image;
        image.Width = im["width"].toInt();
        image.Height = im["height"].toInt();
        image.Bits = im["bits"].toInt();
        for (const QJsonValue& c : im["palette"].toArray())
            image.Palette.push_back(ToRgb(c));
        image.Index = Flatten(im["index"]);
        image.Mask = Flatten(im["mask"]);
        image.Icotool = FlattenRgba(im["icotool"]);
        if (im.contains("pillow")) image.Pillow = FlattenRgba(im["pillow"]);
        for (const QJsonValue& e : im["entry"].toArray())
            image.Entry.push_back(e.toInt());
        file.Images.push_back(std::move(image));
    }
    return file;
}

BitmapFile ProbeBmp(const fs::path& path) {
    const QJsonObject o = RunProbe("probe-bmp", path);
    BitmapFile bmp;
    bmp.Mode = o["mode"].toString().toStdString();
    bmp.Width = o["width"].toInt();
    bmp.Height = o["height"].toInt();
    for (const QJsonValue& c : o["palette"].toArray())
        bmp.Palette.push_back(ToRgb(c));
    bmp.Index = Flatten(o["index"]);
    for (const QJsonValue& row : o["rgb"].toArray())
        for (const QJsonValue& c : row.toArray())
            bmp.Colours.push_back(ToRgb(c));
    return bmp;
}

Picture ScaleNearest(const Picture& picture, int size) {
    Picture out(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            out.At(x, y) = picture.At(x * picture.Width / size, y * picture.Height / size);
    return out;
}

std::vector<int> AutoMaskOf(const Picture& icon) {
    const int s = icon.Width;
    const int h = s / 2;
    const int samples[8][2] = {{h, 0}, {s - 1, h}, {h, s - 1},     {0, h},
                               {0, 0}, {s - 1, 0}, {s - 1, s - 1}, {0, s - 1}};
    std::vector<std::pair<Rgb, int>> tally;
    for (const auto& at : samples) {
        const Rgb c = icon.At(at[0], at[1]);
        auto it =
            std::find_if(tally.begin(), tally.end(), [&](const auto& t) { return t.first == c; });
        if (it == tally.end())
            tally.push_back({c, 1});
        else
            ++it->second;
    }
    int best = 0;
    bool shared = false;
    Rgb winner;
    for (const auto& [colour, count] : tally) {
        if (count > best) {
            best = count;
            winner = colour;
            shared = false;
        } else if (count == best) {
            shared = true;
        }
    }
    std::vector<int> mask(static_cast<std::size_t>(s) * s, 0);
    if (shared) return mask;
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = icon.Pixels[i] == winner ? 1 : 0;
    return mask;
}

Expected ExpectIconWithMask(const Picture& colours, const std::vector<int>& mask) {
    Expected e{colours, mask};
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask[i]) e.Colours.Pixels[i] = Black;
    return e;
}

Expected ExpectIcon(const Picture& fitted, bool autoMask) {
    return ExpectIconWithMask(fitted, autoMask ? AutoMaskOf(fitted)
                                               : std::vector<int>(fitted.Pixels.size(), 0));
}

::testing::AssertionResult IconMatches(const IconImage& image, const Expected& expected, int bits) {
    const int s = expected.Colours.Width;
    if (image.Width != s || image.Height != s || image.Bits != bits)
        return ::testing::AssertionFailure() << "image is " << image.Width << "x" << image.Height
                                             << " at " << image.Bits << " bits";
    if (image.Palette.size() != (1u << bits))
        return ::testing::AssertionFailure() << "palette of " << image.Palette.size();
    if (!(image.Palette[0] == Black))
        return ::testing::AssertionFailure() << "palette entry 0 is " << Describe(image.Palette[0]);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * s + x);
            if (image.Mask[i] != expected.Mask[i])
                return ::testing::AssertionFailure()
                       << "mask bit at (" << x << ", " << y << ") is " << image.Mask[i];
            if (expected.Mask[i] && image.Index[i] != 0)
                return ::testing::AssertionFailure()
                       << "masked pixel (" << x << ", " << y << ") has index " << image.Index[i];
            const Rgb got = image.Palette[static_cast<std::size_t>(image.Index[i])];
            if (!(got == expected.Colours.At(x, y)))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << Describe(got) << ", expected "
                       << Describe(expected.Colours.At(x, y));
        }
    }
    auto icotool = CheckRgba(image.Icotool, expected, "icotool");
    if (!icotool) return icotool;
    if (!image.Pillow.empty()) return CheckRgba(image.Pillow, expected, "Pillow");
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult BitmapMatches(const BitmapFile& bitmap, const Expected& expected,
                                         int bits) {
    const int s = expected.Colours.Width;
    if (bitmap.Mode != "P" || bitmap.Width != s || bitmap.Height != s)
        return ::testing::AssertionFailure()
               << "bitmap is " << bitmap.Mode << " " << bitmap.Width << "x" << bitmap.Height;
    if (bitmap.Palette.empty() || !(bitmap.Palette[0] == Black))
        return ::testing::AssertionFailure() << "palette entry 0 is not black";
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * s + x);
            if (bitmap.Index[i] >= (1 << bits))
                return ::testing::AssertionFailure()
                       << "index " << bitmap.Index[i] << " at " << bits << " bits";
            if (expected.Mask[i] && bitmap.Index[i] != 0)
                return ::testing::AssertionFailure()
                       << "masked pixel (" << x << ", " << y << ") has index " << bitmap.Index[i];
            if (!(bitmap.Colours[i] == expected.Colours.At(x, y)))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << Describe(bitmap.Colours[i])
                       << ", expected " << Describe(expected.Colours.At(x, y));
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace e2e
