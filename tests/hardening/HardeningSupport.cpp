#include "HardeningSupport.h"

#include "cli/ConvertRun.h"
#include "core/JobState.h"
#include "utils/TestUtils.h"

#include <QColor>
#include <QStringList>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hardening {

namespace {

std::string Drain(std::FILE* stream) {
    std::string text;
    std::rewind(stream);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, n);
    std::fclose(stream);
    return text;
}

} // namespace

ConvertResult Convert(const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr) throw std::runtime_error("no temporary stream");
    ConvertResult result;
    result.ExitCode = ConvertMain(args, out, err, false);
    result.Out = Drain(out);
    result.Err = Drain(err);
    return result;
}

void WritePicture(const fs::path& path, int width, int height) {
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(QColor(200, 220, 240));
    for (int y = 2; y < height - 2; ++y)
        for (int x = 2; x < width - 2; ++x)
            picture.setPixelColor(x, y,
                                  (x + y) % 3 == 0 ? QColor(180, 30, 30) : QColor(20, 90, 40));
    if (!picture.save(Q(path), "BMP")) throw std::runtime_error("cannot write " + path.string());
}

std::int64_t PeakMemoryGrowthKiB(const std::function<void()>& work) {
    int channel[2];
    if (::pipe(channel) != 0) return -1;
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::close(channel[0]);
        // A forked process starts with its peak at what it holds now.
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        std::int64_t growth = -1;
        try {
            work();
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            growth = after.ru_maxrss - before.ru_maxrss;
        } catch (...) {
        }
        const ssize_t written = ::write(channel[1], &growth, sizeof growth);
        ::_exit(written == sizeof growth ? 0 : 1);
    }
    ::close(channel[1]);
    std::int64_t growth = -1;
    if (::read(channel[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return growth;
}

} // namespace hardening
