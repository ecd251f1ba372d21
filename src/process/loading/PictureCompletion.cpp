#include "process/loading/PictureCompletion.h"

#include "core/PagePreviews.h"
#include "core/PathParts.h"
#include "process/loading/JpegLoader.h"
#include "process/loading/PictureLoader.h"
#include "process/loading/PictureMemory.h"

#include <exception>
#include <numeric>

std::vector<int> PaintedRows(int height, int target) {
    std::vector<int> rows;
    if (height <= 0 || target <= 0) return rows;
    // Row j's centre lies at (2j + 1) * height / (2 * target); the painter works it out to
    // a 65536th of a row, which matters only within a hair of a row's edge.
    const std::int64_t denominator = std::int64_t{2} * target;
    constexpr std::int64_t kHair = 4096;
    const auto add = [&](std::int64_t row) {
        if (row >= 0 && row < height && (rows.empty() || rows.back() < row))
            rows.push_back(static_cast<int>(row));
    };
    for (std::int64_t j = 0; j < target; ++j) {
        const std::int64_t numerator = (2 * j + 1) * height;
        const std::int64_t row = numerator / denominator;
        const std::int64_t rest = numerator % denominator;
        if (rest * kHair < denominator) add(row - 1);
        add(row);
        if ((denominator - rest) * kHair < denominator) add(row + 1);
    }
    return rows;
}

TPictureCompletion::~TPictureCompletion() {
    Drop();
}

bool TPictureCompletion::LoadPreview(TJobState& job, const QString& path, int previewScale) {
    Drop();
    const QString extension = LowerExtension(path);
    if (previewScale <= 0 ||
        (extension != QLatin1String(".jpg") && extension != QLatin1String(".jpeg")))
        return false;
    bool partial = false;
    QImage picture;
    try {
        picture = LoadJpegRows(path, MaxPicturePixels, [&](int width, int height) {
            std::vector<int> rows;
            // A small picture is decoded whole at once: that costs next to nothing.
            if (static_cast<std::int64_t>(width) * height * 3 >= LargePictureBytes)
                rows = PaintedRows(height, ScalePreviewSize(width, height).height() * previewScale);
            partial = !rows.empty() && rows.size() < static_cast<std::size_t>(height);
            if (!partial) {
                rows.resize(static_cast<std::size_t>(height));
                std::iota(rows.begin(), rows.end(), 0);
            }
            return rows;
        });
        if (partial)
            full_ = std::async(std::launch::async,
                               [path] { return LoadJpegPicture(path, MaxPicturePixels); });
    } catch (const std::exception&) {
        return false; // the ordinary load tries again and says why it fails
    }
    BeginLoading(job);
    SetSourcePicture(job, std::move(picture), TSourceKind::Jpg);
    return true;
}

bool TPictureCompletion::Complete(TJobState& job) {
    if (!full_.valid()) return false;
    try {
        job.InputImage = full_.get();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TPictureCompletion::Drop() {
    if (!full_.valid()) return;
    full_.wait();
    full_ = {};
}
