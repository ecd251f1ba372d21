#include "process/loading/PictureLoader.h"

#include "core/PathParts.h"
#include "core/WizardView.h"
#include "gif/GIFImage.h"
#include "image/FileNames.h"
#include "image/IconLib.h"
#include "image/PngCheck.h"
#include "image/SystemFiles.h"
#include "process/loading/BitmapCheck.h"
#include "process/loading/JpegLoader.h"
#include "process/loading/RunLengthBitmap.h"
#include "process/loading/SvgLoader.h"
#include "reduce/GraphicErrors.h"

#include <QImageReader>

#include <cstdlib>
#include <stdexcept>

namespace {

// A picture the later steps can work with: it has pixels and stays within the limit.
void checkPicture(const QImage& picture) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        throw EInvalidGraphic("The picture holds no pixels");
    if (static_cast<std::int64_t>(picture.width()) * picture.height() > MaxPicturePixels)
        throw EInvalidGraphic("The picture is too large");
}

void loadIconImage(TJobState& job, const QString& path) {
    // The count is taken at the file's first image only: appending output to this very
    // file must not lengthen the run, and a later image's failure must not lose it.
    const bool firstImage = job.SubIndex == 0 || job.IconFileIndex != job.FileIndex;
    if (firstImage) {
        job.IconFileIndex = -1;
        job.IconFileCount = 0;
    }
    QString refusal;
    const std::int32_t count =
        ReadIconImage(path, job.SubIndex, job.IconMap, job.SourceMaskMap, &refusal);
    if (firstImage) {
        job.IconFileIndex = job.FileIndex;
        job.IconFileCount = count;
    }
    job.SubCount = job.IconFileCount;
    QImage picture;
    if (job.IconMap.Initialized) {
        job.IconMap.CopyToPicture(picture);
    } else {
        // Deeper, PNG-coded, larger or oblong images are read as pictures, with their AND
        // mask (when they bring one) in SourceMaskMap.
        ReadIconPicture(path, job.SubIndex, picture, job.SourceMaskMap, &refusal);
        if (picture.isNull()) {
            if (refusal.isEmpty()) refusal = QStringLiteral("not supported");
            throw EInvalidGraphic(QStringLiteral("image %1 of %2 is %3")
                                      .arg(job.SubIndex + 1)
                                      .arg(job.SubCount)
                                      .arg(refusal)
                                      .toStdString());
        }
        picture = HoldAlpha(std::move(picture));
    }
    checkPicture(picture);
    job.InputImage = picture;
    job.InputRowsFor = 0;
    job.SourceKind = TSourceKind::Ico;
}

void loadFile(TJobState& job, const QString& path, std::int32_t rowsFor, std::int32_t scaleFor) {
    const QString extension = LowerExtension(path);
    job.SvgData.clear();
    if (extension == QLatin1String(".ico")) {
        loadIconImage(job, path);
        return;
    }
    QImage picture;
    TSourceKind kind = TSourceKind::None;
    std::int32_t rowsKept = 0;
    if (extension == QLatin1String(".bmp")) {
        picture = HoldAlpha(LoadBitmapPicture(path));
        kind = TSourceKind::Bmp;
    } else if (extension == QLatin1String(".png")) {
        picture = HoldAlpha(LoadPngPicture(path));
        kind = TSourceKind::Png;
    } else if (extension == QLatin1String(".gif")) {
        picture = LoadGifPicture(path);
        kind = TSourceKind::Gif;
    } else if (extension == QLatin1String(".svg")) {
        QByteArray data = ReadSvgFile(path);
        picture = RenderSvg(data, job.IconSize > 0 ? job.IconSize : 32);
        kind = TSourceKind::Svg;
        checkPicture(picture);
        job.SvgData = std::move(data);
    } else if (extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg")) {
        picture = LoadJpegPicture(path, MaxPicturePixels, rowsFor, scaleFor);
        kind = TSourceKind::Jpg;
        rowsKept = rowsFor;
    } else {
        throw EInvalidGraphic("Unknown picture file extension");
    }
    checkPicture(picture);
    SetSourcePicture(job, std::move(picture), kind, rowsKept);
}

// An error's text as the reason after "Cannot load picture NAME: ". The decoders'
// prefixes say nothing the name does not, and a sentence's capital is dropped where the
// second letter shows it is no abbreviation ("Not a JPEG file" but "GIF ...").
QString LoadFailureReason(QString text) {
    const QLatin1String jpegPrefix("JPEG error: ");
    if (text.startsWith(jpegPrefix)) text.remove(0, jpegPrefix.size());
    text = text.trimmed();
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower()) text[0] = text[0].toLower();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

} // namespace

QImage LoadBitmapPicture(const QString& fileName, std::int64_t maxPixels) {
    QFile file;
    OpenPictureFile(file, fileName);
    QImageReader reader(&file, "BMP");
    // The extension chose this reader: another format under a ".bmp" name is not a bitmap.
    reader.setAutoDetectImageFormat(false);
    // A top-down bitmap reports a negative height (and so an invalid size): its rows count
    // all the same.
    const QSize size = reader.size();
    if (static_cast<std::int64_t>(size.width()) * std::abs(std::int64_t{size.height()}) > maxPixels)
        throw EInvalidGraphic("The bitmap is too large");
    if (const auto runLength = CheckBitmapFile(fileName))
        return DecodeRunLengthBitmap(fileName, *runLength, maxPixels);
    QImage picture;
    if (!reader.read(&picture)) throw EInvalidGraphic(reader.errorString().toStdString());
    if (static_cast<std::int64_t>(picture.width()) * picture.height() > maxPixels)
        throw EInvalidGraphic("The bitmap is too large");
    return picture;
}

QImage LoadPngPicture(const QString& fileName, std::int64_t maxPixels) {
    QFile file;
    OpenPictureFile(file, fileName);
    if (const QString damage = PngDamage(file); !damage.isEmpty())
        throw EInvalidGraphic(damage.toStdString());
    if (!file.seek(0)) throw EInvalidGraphic("cannot read it: " + file.errorString().toStdString());
    QImageReader reader(&file, "PNG");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (static_cast<std::int64_t>(size.width()) * size.height() > maxPixels)
        throw EInvalidGraphic("The PNG picture is too large");
    QImage picture;
    if (!reader.read(&picture)) {
        // Qt's reader says "Unable to read image data" for every kind of damage.
        throw EInvalidGraphic(size.isValid() ? "The PNG file is damaged" : "Not a PNG file");
    }
    return picture;
}

QImage HoldAlpha(QImage picture) {
    if (!picture.hasAlphaChannel()) return picture;
    if (picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
    // An alpha channel that leaves every pixel opaque says nothing.
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(row[x]) != 255) return picture;
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
    return picture;
}

void BeginLoading(TJobState& job) {
    job.SourceKind = TSourceKind::None;
    if (job.OutFormat != TOutFormat::Mico) job.OutPath.clear();
}

bool LoadPictureQuietly(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                        std::int32_t rowsFor, TLoadFailure* failure, std::int32_t scaleFor) {
    BeginLoading(job);

    const bool fromClipboard = page.SourceIsClipboard();
    QString name = QStringLiteral("in clipboard");
    bool iconSource = false;
    QString reason;
    bool lackOfResources = false;
    try {
        if (fromClipboard) {
            QImage picture = clipboard.ClipboardImage();
            checkPicture(picture);
            SetSourcePicture(job, std::move(picture), TSourceKind::Clip);
            return true;
        }
        if (job.FileIndex < 0 || job.FileIndex >= job.InputList.size()) {
            name.clear();
            throw EInvalidGraphic("No such queue entry");
        }
        name = job.InputList.at(job.FileIndex);
        iconSource = LowerExtension(name) == QLatin1String(".ico");
        // A FIFO or a device could block the reading, or feed it without end.
        if (SystemFiles::IsSpecialFile(name))
            throw EInvalidGraphic(NotRegularFileReason().toStdString());
        loadFile(job, name, rowsFor, scaleFor);
        return true;
    } catch (const std::runtime_error& error) {
        // Every reader reports a file it cannot use with a runtime error. Anything else (no
        // memory for the program, a broken assumption) is no fault of the picture and goes
        // on to the engine's report.
        reason = QString::fromUtf8(error.what());
        lackOfResources = dynamic_cast<const EOutOfMemory*>(&error) != nullptr ||
                          dynamic_cast<const EOutOfResources*>(&error) != nullptr;
    }

    job.SourceKind = TSourceKind::None;
    const bool countKnown = iconSource && job.IconFileIndex == job.FileIndex;
    job.SubCount = countKnown ? job.IconFileCount : 0;
    if (failure) *failure = {name, LoadFailureReason(reason), lackOfResources};
    return false;
}

bool LoadPicture(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                 WizardMessages& messages, std::int32_t rowsFor) {
    TLoadFailure failure;
    if (LoadPictureQuietly(job, page, clipboard, rowsFor, &failure)) return true;
    messages.ShowMessage(LoadFailureMessage(failure), QStringLiteral("Picture error"));
    return false;
}

void SetSourcePicture(TJobState& job, QImage picture, TSourceKind kind, std::int32_t rowsFor) {
    job.InputImage = std::move(picture);
    job.InputRowsFor = rowsFor;
    job.SourceKind = kind;
    job.SubCount = 1;
}

QString LoadFailureMessage(const TLoadFailure& failure, QStringView separator) {
    QString text = QStringLiteral("Cannot load picture ") + failure.Name;
    if (!failure.Reason.isEmpty()) text += separator.toString() + failure.Reason;
    return text;
}

QImage LoadGifPicture(const QString& fileName, std::int64_t maxPixels) {
    // The reader refuses a screen above GIFMaxPixels from its header, before any frame.
    static_assert(GIFMaxPixels == MaxPicturePixels);
    TGIFImage gif;
    gif.LoadFromFile(fileName);
    if (static_cast<std::int64_t>(gif.Width()) * gif.Height() > maxPixels)
        throw EInvalidGraphic("The GIF screen is too large");
    // The reader keeps what a damaged file holds; converting it would pass a broken picture
    // off as a good one. A file that ends inside image data is a download cut short, and a
    // pixel whose colour index the colour table does not have has no colour at all.
    if (gif.DataCutShort()) throw EInvalidGraphic("The GIF file ends inside its image data");
    if (gif.ShowsIndexBeyondColorTable())
        throw EInvalidGraphic("The GIF picture uses colours its colour table does not have");
    QImage picture;
    gif.AssignTo(picture);
    return picture;
}
