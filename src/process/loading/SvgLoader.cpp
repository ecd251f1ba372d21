#include "process/loading/SvgLoader.h"

#include "process/loading/PictureFile.h"
#include "process/loading/Sampling.h"
#include "reduce/GraphicErrors.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

namespace {

constexpr int kSvgSupersampling = 4;

// The SVG module reports what it cannot parse on the console; the loader says it once,
// as the reason the picture is refused.
void QuietSvgWarnings() {
    static std::once_flag once;
    std::call_once(once, [] {
        QLoggingCategory::setFilterRules(
            QStringLiteral("qt.svg.warning=false\nqt.svg.debug=false"));
    });
}

} // namespace

QByteArray ReadSvgFile(const QString& fileName) {
    QFile file;
    OpenPictureFile(file, fileName);
    // Drawings larger than this are no icon sources; the bound keeps a huge file (or one
    // that never ends) from being read into memory whole.
    constexpr qint64 kLargestSvg = qint64{64} << 20;
    const QByteArray data = file.read(kLargestSvg + 1);
    if (data.size() > kLargestSvg) throw EInvalidGraphic("the SVG file is larger than 64 MiB");
    if (file.error() != QFileDevice::NoError)
        throw EInvalidGraphic(
            QStringLiteral("cannot read it: %1").arg(file.errorString()).toStdString());
    QuietSvgWarnings();
    QSvgRenderer renderer;
    if (!renderer.load(data) || !renderer.isValid())
        throw EInvalidGraphic("not an SVG picture that can be drawn (broken or unsupported SVG)");
    const QRectF box = renderer.viewBoxF();
    if (!(box.width() > 0) || !(box.height() > 0))
        throw EInvalidGraphic("the SVG picture has no area (its view box is empty)");
    return data;
}

QImage RenderSvg(const QByteArray& data, std::int32_t size) {
    QuietSvgWarnings();
    QSvgRenderer renderer;
    if (!renderer.load(data) || !renderer.isValid())
        throw EInvalidGraphic("not an SVG picture that can be drawn (broken or unsupported SVG)");
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    // Drawn at four times the size and averaged down: the painter's curves and coverage
    // are then finer than a pixel of the icon, so shapes keep their area.
    const int drawn = size * kSvgSupersampling;
    QImage picture(drawn, drawn, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) throw EOutOfMemory("Not enough memory for the SVG picture");
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        renderer.render(&painter, QRectF(0, 0, drawn, drawn));
    }
    return AreaAverage(picture, size);
}
