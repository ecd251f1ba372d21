// The masking page and the crop dialog on the offscreen platform, each step measured up to
// the pixels reaching the window: a pixel painted on the mask view (goal under 2 ms) and
// one drag step of the crop square on a 24-megapixel picture (goal under 5 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "core/NullWizardView.h"
#include "process/building/JobProcessor.h"
#include "process/pages/MaskViewRender.h"
#include "ui/CropForm.h"
#include "ui/MaskingPage.h"
#include "ui/WindowDialogs.h"

namespace {

QImage Stripes(int width, int height) {
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < 3 * width; ++x)
            row[x] = static_cast<uchar>(x * 7 + y * 3);
    }
    return picture;
}

void Send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, {});
    QApplication::sendEvent(widget, &event);
}

void BM_MaskViewWhole(benchmark::State& state) {
    TJobState job;
    job.IconSize = int(state.range(0));
    job.IconImage = Stripes(job.IconSize, job.IconSize);
    job.MaskMap.NewImage(job.IconSize, job.IconSize, 1);
    QImage view = NewMaskView(242);
    for (auto _ : state)
        DrawMaskView(view, job, -1, -1);
}
BENCHMARK(BM_MaskViewWhole)->Arg(16)->Arg(48)->Unit(benchmark::kMicrosecond);

// A click with the pencil: mask change, cell redraw and the repaint on screen.
void BM_MaskPixelPainted(benchmark::State& state) {
    TJobState job;
    TNullWizardView view;
    TJobProcessor processor(job, view);
    TMaskingPage page(job, processor);
    job.SourceKind = TSourceKind::Bmp;
    job.InputImage = Stripes(200, 150);
    job.IconSize = 48;
    processor.PrepareCrop();
    processor.BuildIcon();
    page.show();
    page.ShowMasking();
    page.findChild<QWidget*>(QStringLiteral("ColorToggle"))->setProperty("checked", true);
    auto* maskView = page.findChild<TMaskView*>(QStringLiteral("ImageForMask"));
    maskView->SetTool(TMaskTool::ByPixel);
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        const QPoint at((i * 37) % 242, (i * 53) % 242);
        const Qt::MouseButton button = (i / 97) % 2 ? Qt::RightButton : Qt::LeftButton;
        Send(maskView, QEvent::MouseButtonPress, at, button, button);
        Send(maskView, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
        QApplication::processEvents();
        ++i;
    }
}
BENCHMARK(BM_MaskPixelPainted)->Unit(benchmark::kMicrosecond);

// One mouse move while dragging the square over a 6000 x 4000 picture: new square, edit
// texts, thumbnail, and the repaint of the old and new outline.
void BM_CropDragStep24MP(benchmark::State& state) {
    TCropState crop;
    crop.SetPicture(Stripes(6000, 4000), int(state.range(0)));
    crop.EmbedImage(); // built once when the dialog first shows the picture
    // The colour dialog is not opened here.
    TQtWindowDialogs dialogs;
    TCropForm form(crop, dialogs);
    form.show();
    QApplication::processEvents();
    auto* shown = form.findChild<QWidget*>(QStringLiteral("ShowImage"));
    Send(shown, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        const QPoint at(60 + (i % 200), 60 + (i / 200) % 200);
        Send(shown, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
        ++i;
    }
    Send(shown, QEvent::MouseButtonRelease, QPoint(100, 100), Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_CropDragStep24MP)->Arg(16)->Arg(48)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
