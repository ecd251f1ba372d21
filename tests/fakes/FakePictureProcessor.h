#pragma once

#include "core/JobState.h"
#include "core/PictureProcessor.h"
#include "fakes/FakeWizardView.h"

#include <QMap>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A picture in the fake file system: its size, how many images it holds (an icon file
// holds several) and whether it loads at all.
struct FakePicture {
    int width = 40;
    int height = 40;
    int images = 1;
    bool loads = true;
};

// Processing work that does no processing: it follows the results the engine relies on
// (nothing to do while SourceKind is "NONE") and records every call in the shared log.
class FakePictureProcessor : public PictureProcessor {
public:
    FakePictureProcessor(TJobState& job, FakeWizardView& view) : job_(job), view_(view) {}

    // Pictures by queue path. A path not listed loads as a 40 x 40 bitmap.
    QMap<QString, FakePicture> pictures;
    FakePicture clipboardPicture;
    // Each write as "<path in queue>#<image number>", or "clipboard#1".
    QStringList writes;
    int loadCount = 0;
    int autoMaskCount = 0;
    // The write named like an entry of writes fails once, with this text.
    QString failWriteOf;
    std::string failWriteText;
    // Runs at the start of every build; a test throws from it to stand in for a failing
    // icon build.
    std::function<void()> beforeBuild;
    // The view's busy cursor as it was at every load.
    std::vector<bool> busyAtLoad;

    void LoadPicture() override {
        ++loadCount;
        busyAtLoad.push_back(view_.busyCursor);
        note(QStringLiteral("LoadPicture %1.%2").arg(job_.FileIndex).arg(job_.SubIndex));
        if (job_.OutFormat != TOutFormat::Mico) job_.OutPath.clear();
        FakePicture picture = clipboardPicture;
        TSourceKind kind = TSourceKind::Clip;
        if (!view_.SourceIsClipboard()) {
            const QString path = job_.InputList.value(job_.FileIndex);
            picture = pictures.value(path, FakePicture{});
            kind = picture.images > 1 ? TSourceKind::Ico : TSourceKind::Bmp;
            if (job_.FileIndex >= job_.InputList.size()) picture.loads = false;
        }
        if (!picture.loads) {
            job_.SourceKind = TSourceKind::None;
            job_.SubCount = 0;
            job_.InputImage = QImage();
            view_.ShowMessage(QStringLiteral("Cannot load picture ") +
                                  job_.InputList.value(job_.FileIndex),
                              QStringLiteral("Picture error"));
            return;
        }
        job_.SourceKind = kind;
        job_.SubCount = picture.images;
        job_.InputImage = QImage(picture.width, picture.height, QImage::Format_BGR888);
    }
    bool PrepareCrop() override {
        note(QStringLiteral("PrepareCrop"));
        return loaded();
    }
    bool BuildIcon() override {
        note(QStringLiteral("BuildIcon"));
        if (beforeBuild) beforeBuild();
        return loaded();
    }
    void AutoMask() override {
        ++autoMaskCount;
        note(QStringLiteral("AutoMask"));
    }
    bool PrepareOutput() override {
        note(QStringLiteral("PrepareOutput"));
        if (!loaded()) return false;
        view_.SetSaveControlsEnabled(true);
        view_.SetProgressVisible(false);
        job_.OutIsDirectory = job_.AutoMode && job_.OutFormat != TOutFormat::Mico;
        return true;
    }
    void WriteOutput(bool replace) override {
        note(QStringLiteral("WriteOutput %1").arg(replace ? "replace" : "keep"));
        if (!loaded()) return;
        const QString source = job_.SourceKind == TSourceKind::Clip
                                   ? QStringLiteral("clipboard")
                                   : job_.InputList.value(job_.FileIndex);
        const QString name = source + QLatin1Char('#') + QString::number(job_.SubIndex + 1);
        if (!failWriteOf.isEmpty() && name == failWriteOf) {
            failWriteOf.clear();
            throw std::runtime_error(failWriteText);
        }
        writes.append(name);
    }

private:
    bool loaded() const { return job_.SourceKind != TSourceKind::None; }
    void note(const QString& text) const { view_.note(text); }

    TJobState& job_;
    FakeWizardView& view_;
};
