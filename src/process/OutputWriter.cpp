#include "process/OutputWriter.h"

#include "core/WizardView.h"
#include "image/IconLib.h"
#include "image/ImageErrors.h"
#include "process/OutputNaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>
#include <system_error>

namespace {

const QString kNone = QStringLiteral("NONE");

bool SomethingExistsAt(const QString& path) {
    // A dangling link counts too: writing there would replace the link.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

std::filesystem::path FileSystemPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

std::string WriteErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2")
        .arg(QDir::toNativeSeparators(path), reason)
        .toStdString();
}

// A new icon file holding just this image, put in place of whatever is at target by one
// rename. The icon writer extends files it finds, so the new file is made where no file
// can be: in a fresh folder beside the target, on the same file system.
void WriteNewIconFile(const QString& target, const TPxlMap& colorMap, const TPxlMap& maskMap) {
    const QString folder = FolderPart(target);
    QTemporaryDir work((folder.isEmpty() ? QStringLiteral(".") : folder) +
                       QStringLiteral(".tessaly-XXXXXX"));
    if (!work.isValid()) throw EInOutError(WriteErrorText(target, work.errorString()));
    const QString fresh = work.filePath(QStringLiteral("icon.ico"));
    WriteIconImage(fresh, 0, colorMap, maskMap);
    if (!QFileInfo::exists(fresh)) {
        throw EInOutError(
            WriteErrorText(target, QStringLiteral("the icon image is empty or not square")));
    }
    std::error_code ec;
    std::filesystem::rename(FileSystemPath(fresh), FileSystemPath(target), ec);
    if (ec) throw EInOutError(WriteErrorText(target, QString::fromStdString(ec.message())));
}

void WriteBitmapFile(const QString& target, TPxlMap& colorMap) {
    if (!colorMap.SaveToBMP(target))
        throw EInOutError(WriteErrorText(target, colorMap.GetErrorText()));
}

} // namespace

bool PrepareOutput(TJobState& job, WizardView& view) {
    if (job.SourceKind == kNone) return false;
    view.SetSaveControlsEnabled(true);
    view.SetProgressVisible(false);

    const TOutputFormat& format = OutputFormatFor(job.OutFormat);
    job.OutFormat = QLatin1String(format.Code);
    view.SetOutFormatItem(format.Index);
    const QString extension = QLatin1String(format.Extension);
    view.SetChooserFilter(QLatin1String(format.Filter));

    job.OutDir = WithTrailingSeparator(job.OutDir);

    if (!job.OutPath.isEmpty()) {
        job.OutPath = job.OutDir + BaseNameAtFirstDot(job.OutPath) + extension;
    } else if (job.SourceKind != QLatin1String("CLIP")) {
        const QString source = job.FileIndex >= 0 && job.FileIndex < job.InputList.size()
                                   ? job.InputList[job.FileIndex]
                                   : QString();
        job.OutPath = SourceOutputPath(job.OutDir, source, job.SubCount, job.SubIndex, extension);
    } else {
        job.OutPath = ClipboardOutputPath(job.OutDir, extension);
    }

    job.OutIsDirectory = (job.AutoMode == 1 && job.OutFormat != QLatin1String("MICO")) ? 1 : 0;
    return true;
}

TWriteResult WriteOutput(TJobState& job, bool replace) {
    if (job.SourceKind == kNone) return TWriteResult::Nothing;

    // A transparent pixel is stored black: index 0, which the icon build made black.
    const int size = job.IconSize;
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            if (job.MaskMap.GetPixel(x, y) == 1) job.IconMap.SetPixel(x, y, 0);
        }
    }

    const QString& path = job.OutPath;
    const TOutputFormat& format = OutputFormatFor(job.OutFormat);
    const QString code = QLatin1String(format.Code);
    try {
        if (code == QLatin1String("MICO")) {
            WriteIconImage(path, -1, job.IconMap, job.MaskMap);
            return TWriteResult::Written;
        }
        if (!replace && SomethingExistsAt(path)) return TWriteResult::KeptExisting;
        if (code == QLatin1String("BMP")) {
            WriteBitmapFile(path, job.IconMap);
        } else if (replace) {
            WriteNewIconFile(path, job.IconMap, job.MaskMap);
        } else {
            WriteIconImage(path, 0, job.IconMap, job.MaskMap);
        }
        return TWriteResult::Written;
    } catch (const EInvalidIcon& e) {
        // The icon writer's texts do not say which file they mean.
        throw EInvalidIcon(WriteErrorText(path, QString::fromUtf8(e.what())));
    }
}
