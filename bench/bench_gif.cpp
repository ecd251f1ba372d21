// Decoding a 1000 x 1000 GIF of 256 colours, next to Pillow decoding the same file.
//
// The picture is made at start with ImageMagick (a seeded plasma, so every run decodes the
// same file) in a temporary folder; after the benchmarks, bench_gif_pillow.py times Pillow
// on it and both figures are printed.
//
// In a tight loop glibc hands the two freed megabyte blocks (frame pixels, bitmap) back to
// the kernel at the end of each round, so every round pays page faults for fresh memory;
// Pillow keeps its image blocks in a cache of its own. To time the decoding alone, run with
//   GLIBC_TUNABLES=glibc.malloc.mmap_threshold=67108864:glibc.malloc.trim_threshold=268435456

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "gif/GIFImage.h"

namespace fs = std::filesystem;

namespace {

fs::path gifPath;
QByteArray gifBytes;

std::string RunAndRead(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        if (pclose(pipe) != 0) output.clear();
    }
    return output;
}

bool MakePicture(const fs::path& folder) {
    gifPath = folder / "plasma-1000x1000-256.gif";
    const std::string convert = fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
    const std::string command =
        convert + " -seed 42 -size 1000x1000 plasma:fractal -colors 256 '" + gifPath.string() + "'";
    if (std::system(command.c_str()) != 0) return false;
    QFile file(QString::fromStdString(gifPath.string()));
    if (!file.open(QIODevice::ReadOnly)) return false;
    gifBytes = file.readAll();
    return !gifBytes.isEmpty();
}

// Load from the file, as picture loading does: every frame decoded.
void BM_GIFLoadFromFile(benchmark::State& state) {
    const QString name = QString::fromStdString(gifPath.string());
    for (auto _ : state) {
        TGIFImage image;
        image.LoadFromFile(name);
        benchmark::DoNotOptimize(image.Images().Count());
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 1000);
}
BENCHMARK(BM_GIFLoadFromFile)->Unit(benchmark::kMillisecond);

// Load and the 8-bit bitmap of frame 0 that picture loading copies out.
void BM_GIFLoadAndBitmap(benchmark::State& state) {
    for (auto _ : state) {
        QBuffer buffer(&gifBytes);
        buffer.open(QIODevice::ReadOnly);
        TGIFImage image;
        image.LoadFromStream(buffer);
        QImage bitmap;
        image.AssignTo(bitmap);
        benchmark::DoNotOptimize(bitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 1000);
}
BENCHMARK(BM_GIFLoadAndBitmap)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("tessaly-bench-gif-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    if (!MakePicture(folder)) {
        std::cerr << "cannot make the test picture with ImageMagick's convert\n";
        fs::remove_all(folder);
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const fs::path script = fs::path(__FILE__).parent_path() / "bench_gif_pillow.py";
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string pillow =
        RunAndRead(python + " '" + script.string() + "' '" + gifPath.string() + "'");
    std::cout << "Pillow on the same file (" << gifBytes.size() << " bytes), open + load, median: "
              << (pillow.empty() ? std::string("not measured (no Pillow)\n") : pillow);
    fs::remove_all(folder);
    return 0;
}
