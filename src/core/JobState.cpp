#include "core/JobState.h"

#include <array>

QString SourceKindText(TSourceKind kind) {
    static const std::array<QString, 9> texts{QString(),
                                              QStringLiteral("NONE"),
                                              QStringLiteral("CLIP"),
                                              QStringLiteral("BMP"),
                                              QStringLiteral("ICO"),
                                              QStringLiteral("JPG"),
                                              QStringLiteral("GIF"),
                                              QStringLiteral("PNG"),
                                              QStringLiteral("SVG")};
    return texts[static_cast<std::size_t>(kind)];
}

QString OutFormatText(TOutFormat format) {
    static const std::array<QString, 3> texts{QStringLiteral("ICO"), QStringLiteral("MICO"),
                                              QStringLiteral("BMP")};
    return texts[static_cast<std::size_t>(format)];
}

bool BuildsIconSet(const TJobState& job) {
    if (job.OutputSizes.empty()) return false;
    return job.OutputSizes.size() > 1 || job.OutputSizes.front() >= 256 ||
           (job.PresetIconBPP != 4 && job.PresetIconBPP != 8);
}

bool PictureFitsIcon(const TJobState& job) {
    return job.InputImage.width() == job.IconSize && job.InputImage.height() == job.IconSize;
}

TSizing SizingFor(const TJobState& job, TSizing chosen) {
    return PictureFitsIcon(job) ? TSizing::Scale : chosen;
}
