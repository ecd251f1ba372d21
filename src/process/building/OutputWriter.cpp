#include "process/building/OutputWriter.h"

#include "core/WizardView.h"
#include "image/FileNames.h"
#include "image/IconImages.h"
#include "image/IconLayout.h"
#include "image/IconLib.h"
#include "image/ImageErrors.h"
#include "image/SafeFile.h"
#include "image/SystemFiles.h"
#include "process/building/OutputNaming.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

std::string WriteErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2")
        .arg(ReadableName(QDir::toNativeSeparators(path)), reason)
        .toStdString();
}

// With Replace off an existing file is kept without a word. Anything else in the way (a
// folder, a link to nothing, a device) is no file the user would want kept, and passing
// it by silently would lose the picture: that is an error with its reason.
bool KeepsExistingFile(const QString& path) {
    if (IsFileNamed(path)) return true;
    if (IsFolderNamed(path))
        throw EInOutError(WriteErrorText(path, QString::fromLocal8Bit(std::strerror(EISDIR))));
    if (ExistsNamed(path)) throw EInOutError(WriteErrorText(path, NotRegularFileReason()));
    if (QFileInfo(path).isSymLink())
        throw EInOutError(WriteErrorText(path, QStringLiteral("it is a link to a missing file")));
    return false;
}

// The icon writer skips maps it cannot write without a word; a picture must not go
// missing silently, so that is an error here.
void CheckIconImage(const QString& target, const TPxlMap& colorMap, const TPxlMap& maskMap) {
    if (!IconLayout::CanWrite(colorMap, maskMap)) {
        throw EInOutError(WriteErrorText(target, QStringLiteral("the icon image is not complete")));
    }
}

// A new icon file holding just this image, put in place of whatever is at target by the
// one atomic rename of the safe write: the old file stays whole until the new one is.
void WriteNewIconFile(const QString& target, const TPxlMap& colorMap, const TPxlMap& maskMap,
                      StagedFile* staged) {
    SafeFile::WriteOrCommit(
        target, IconLayout::Rebuild(QByteArray(), false, 0, colorMap, maskMap, target), staged);
}

void WriteBitmapFile(const QString& target, TPxlMap& colorMap, StagedFile* staged) {
    if (!colorMap.SaveToBMP(target, staged))
        throw EInOutError(WriteErrorText(target, colorMap.GetErrorText()));
}

// A transparent pixel is stored black: index 0, which the icon build made black.
void BlackOutMasked(TPxlMap& iconMap, TPxlMap& maskMap, int size) {
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            if (maskMap.GetPixel(x, y) == 1) iconMap.SetPixel(x, y, 0);
        }
    }
}

} // namespace

bool TRunPictures::Contains(const QString& target, const QStringList& pictures) {
    const auto written = SystemFiles::IdentityOf(target);
    if (!written) return false;
    if (files_.empty() || gathered_ != pictures) {
        gathered_ = pictures;
        files_.clear();
        for (const QString& picture : pictures)
            if (const auto file = SystemFiles::IdentityOf(picture)) files_.push_back(*file);
        std::sort(files_.begin(), files_.end());
    }
    return std::binary_search(files_.begin(), files_.end(), *written);
}

bool PrepareOutput(TJobState& job, SavePageControls& savePage) {
    if (job.SourceKind == TSourceKind::None) return false;
    savePage.SetSaveControlsEnabled(true);
    savePage.SetProgressVisible(false);

    const TOutputFormat& format = OutputFormatFor(job.OutFormat);
    savePage.SetOutFormatItem(format.Index);
    const QString extension = QLatin1String(format.Extension);
    savePage.SetChooserFilter(QLatin1String(format.Filter));

    job.OutDir = WithTrailingSeparator(job.OutDir);

    if (!job.OutPath.isEmpty()) {
        job.OutPath = job.OutDir + BaseNameAtFirstDot(job.OutPath) + extension;
    } else if (job.SourceKind != TSourceKind::Clip) {
        const QString source = job.FileIndex >= 0 && job.FileIndex < job.InputList.size()
                                   ? job.InputList[job.FileIndex]
                                   : QString();
        job.OutPath = SourceOutputPath(job.OutDir, source, job.SubCount, job.SubIndex, extension);
    } else {
        job.OutPath = ClipboardOutputPath(job.OutDir, extension);
    }

    job.OutIsDirectory = job.AutoMode && job.OutFormat != TOutFormat::Mico;
    return true;
}

QByteArray OutputFileBytes(TOutFormat format, TPxlMap iconMap, TPxlMap maskMap, int size) {
    BlackOutMasked(iconMap, maskMap, size);
    QByteArray bytes;
    try {
        if (format == TOutFormat::Bmp) {
            if (!iconMap.EncodeBMP(bytes)) bytes.clear();
        } else if (format == TOutFormat::Ico && IconLayout::CanWrite(iconMap, maskMap)) {
            bytes = IconLayout::Rebuild(QByteArray(), false, 0, iconMap, maskMap, QString());
        }
    } catch (const std::exception&) {
        bytes.clear();
    }
    return bytes;
}

QByteArray IconSetFileBytes(TOutFormat format, const std::vector<TEncodedIcon>& set) {
    if (format == TOutFormat::Ico) return IconFileBytes(set);
    if (format == TOutFormat::Bmp && set.size() == 1) return set.front().Data;
    return {};
}

QString SizedBitmapPath(const QString& path, std::int32_t size) {
    const QFileInfo info(path);
    const QString folder = path.left(path.size() - info.fileName().size());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return folder + info.completeBaseName() + QStringLiteral("-%1").arg(size) + suffix;
}

namespace {

TWriteResult WriteIconSet(TJobState& job, bool replace, StagedFile* staged, TOutputFiles* files,
                          TRunPictures& pictures) {
    const QString& path = job.OutPath;
    // A person's picture is never lost to its own icon, nor to another picture's.
    const auto refuseOwnPicture = [&](const QString& file) {
        if (pictures.Contains(file, job.InputList))
            throw EPictureOfRun(
                WriteErrorText(file, QStringLiteral("it is a picture of this run")));
    };
    const auto written = [&](const QString& file) {
        if (files) files->Written.append(file);
    };
    const auto kept = [&](const QString& file) {
        if (files) files->Kept.append(file);
    };
    if (job.IconSet.empty())
        throw EInOutError(WriteErrorText(path, QStringLiteral("the icon image is not complete")));
    if (job.OutFormat == TOutFormat::Mico) {
        refuseOwnPicture(path);
        AppendIconImages(path, job.IconSet);
        written(path);
        return TWriteResult::Written;
    }
    if (job.OutFormat == TOutFormat::Ico || job.IconSet.size() == 1) {
        if (!replace && KeepsExistingFile(path)) {
            kept(path);
            return TWriteResult::KeptExisting;
        }
        refuseOwnPicture(path);
        SafeFile::WriteOrCommit(path, IconSetFileBytes(job.OutFormat, job.IconSet), staged);
        written(path);
        return TWriteResult::Written;
    }
    // A bitmap file per size: each one kept or written on its own.
    bool any = false;
    for (const TEncodedIcon& image : job.IconSet) {
        const QString file = SizedBitmapPath(path, image.Size);
        if (!replace && KeepsExistingFile(file)) {
            kept(file);
            continue;
        }
        refuseOwnPicture(file);
        SafeFile::Write(file, image.Data);
        written(file);
        any = true;
    }
    return any ? TWriteResult::Written : TWriteResult::KeptExisting;
}

} // namespace

TWriteResult WriteOutput(TJobState& job, bool replace, StagedFile* staged, TOutputFiles* files,
                         TRunPictures* pictures) {
    TRunPictures thisWrite;
    TRunPictures& known = pictures ? *pictures : thisWrite;
    if (job.SourceKind == TSourceKind::None) return TWriteResult::Nothing;
    if (BuildsIconSet(job)) {
        try {
            return WriteIconSet(job, replace, staged, files, known);
        } catch (const EInvalidIcon& e) {
            throw EInvalidIcon(WriteErrorText(job.OutPath, QString::fromUtf8(e.what())));
        }
    }

    BlackOutMasked(job.IconMap, job.MaskMap, job.IconSize);

    const QString& path = job.OutPath;
    const TOutFormat format = job.OutFormat;
    try {
        // A picture that is not written anyway is no error, however incomplete.
        if (format != TOutFormat::Mico && !replace && KeepsExistingFile(path))
            return TWriteResult::KeptExisting;
        // A person's picture is never lost to its own icon, nor to another picture's.
        if (known.Contains(path, job.InputList))
            throw EPictureOfRun(
                WriteErrorText(path, QStringLiteral("it is a picture of this run")));
        if (format != TOutFormat::Bmp) CheckIconImage(path, job.IconMap, job.MaskMap);
        if (format == TOutFormat::Mico) {
            WriteIconImage(path, -1, job.IconMap, job.MaskMap);
            return TWriteResult::Written;
        }
        if (format == TOutFormat::Bmp)
            WriteBitmapFile(path, job.IconMap, staged);
        else
            WriteNewIconFile(path, job.IconMap, job.MaskMap, staged);
        return TWriteResult::Written;
    } catch (const EInvalidIcon& e) {
        // The icon writer's texts do not say which file they mean.
        throw EInvalidIcon(WriteErrorText(path, QString::fromUtf8(e.what())));
    } catch (const EInOutError& e) {
        // A failure on the temporary file names that file; the user needs the target.
        const QString text = QString::fromUtf8(e.what());
        if (text.contains(ReadableName(QDir::toNativeSeparators(path)))) throw;
        throw EInOutError(WriteErrorText(path, text));
    }
}
