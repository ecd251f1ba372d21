#pragma once

#include "process/LoaderTestSupport.h"
#include "utils/TestUtils.h"

#include "core/JobState.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Shared pieces of the hardening tests: tessaly-convert run in this process (so the safe
// writer's test seam reaches it) and a measure of the memory a piece of work takes.
// Pictures go through the loader as its own tests load them (LoadWithLoader); folders are
// compared with testutil::Snapshot.
namespace hardening {

using Bytes = std::vector<std::uint8_t>;

// tessaly-convert's whole program, run in this process with the given arguments.
struct ConvertResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};
ConvertResult Convert(const std::vector<std::string>& arguments);

using testutil::Snapshot;

// A small 24-bit picture with a border colour and a few others inside, saved as a BMP.
void WritePicture(const std::filesystem::path& path, int width = 20, int height = 14);

// The growth of the resident memory's peak while `work` runs, in KiB, measured in a child
// process so that nothing earlier in this process hides it. -1 when it cannot be measured.
std::int64_t PeakMemoryGrowthKiB(const std::function<void()>& work);

} // namespace hardening
