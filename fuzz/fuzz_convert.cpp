// The whole conversion of one picture: load (the first input byte picks the extension,
// the second the icon size, depth, sizing and output format), fit, build, auto-mask and
// write into a scratch folder. Pictures whose header declares more than PictureLimit pixels
// are passed over.
#include "FuzzSupport.h"
#include "process/building/JobProcessor.h"

#include <QDir>
#include <QImageReader>

#include <cstdlib>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const char* const extensions[] = {".bmp", ".gif", ".ico", ".jpg"};
    const std::uint8_t pick = data[1];
    const std::int64_t declared = fuzzsupport::DeclaredPixels(data + 2, size - 2);
    if (declared > fuzzsupport::PictureLimit) return 0;
    QString path =
        fuzzsupport::writeInput(data + 2, size - 2, QStringLiteral("in") + extensions[data[0] % 4]);
    if (data[0] % 4 == 0) {
        QImageReader reader(path, "BMP");
        reader.setAutoDetectImageFormat(false);
        const QSize bitmap = reader.size(); // a top-down bitmap's height is negative
        if (std::int64_t{bitmap.width()} * std::abs(std::int64_t{bitmap.height()}) >
            fuzzsupport::PictureLimit)
            return 0;
    }
    QString outDir = fuzzsupport::scratch().filePath(QStringLiteral("out"));
    QDir().mkpath(outDir);

    TJobState job;
    job.InputList = {path};
    job.FileCount = 1;
    job.AutoMode = true;
    job.IconSize = 16 * (1 + pick % 3);
    job.IconBPP = (pick & 4) ? 4 : 8;
    fuzzsupport::HeadlessView view;
    view.crop = (pick & 8) != 0;
    job.OutFormat = static_cast<TOutFormat>((pick >> 4) % 3);
    view.formatItem = (pick >> 4) % 3;
    // Scaling runs load as tessaly-convert does: a JPEG keeps only the rows scaling reads.
    job.PresetIconSize = job.IconSize;
    job.PresetSizing = view.crop ? TSizing::Crop : TSizing::Scale;
    TJobProcessor processor(job, view);
    processor.SetScaleOnlyRun(!view.crop);
    try {
        for (int picture = 0; picture < 4; ++picture) {
            job.SubIndex = picture;
            processor.LoadPicture();
            if (job.SourceKind == TSourceKind::None) break;
            job.Sizing = view.crop ? TSizing::Crop : TSizing::Scale;
            processor.PrepareCrop();
            if (processor.BuildIcon()) processor.AutoMask();
            if (processor.PrepareOutput()) {
                job.OutDir = outDir + QLatin1Char('/');
                job.OutPath = job.OutDir + QStringLiteral("out.ico");
                view.location = job.OutFormat == TOutFormat::Mico ? job.OutPath : job.OutDir;
                processor.PrepareOutput();
                processor.WriteOutput(true);
            }
            if (job.SubIndex + 1 >= job.SubCount) break;
        }
    } catch (const std::logic_error&) {
        __builtin_trap(); // a picture fitted otherwise than it was loaded for
    } catch (const std::exception&) {
    }
    // Every input starts from an empty output folder (a multi-resource icon would grow).
    QDir(outDir).removeRecursively();
    return 0;
}
