#include "cli/ConvertView.h"

#include "image/FileNames.h"
#include "process/building/OutputNaming.h"

#include <QDir>

// The format list holds the chosen item from the start, as the wizard's list keeps what
// the user chose: a run whose first pictures fail passes their save steps, which take
// the format from this list before any picture could select it.
TConvertView::TConvertView(const TJobState& job, const TConvertOptions& options,
                           std::FILE* messages, const QStringList& names)
    : job_(job), options_(options), messages_(messages), names_(names),
      formatItem_(OutputFormatFor(options.Format).Index) {}

int TConvertView::ResolutionSizeItem() const {
    return options_.IconSize == 16 ? 0 : options_.IconSize == 48 ? 2 : 1;
}

int TConvertView::ResolutionColorItem() const {
    return options_.IconBPP == 4 ? 0 : 1;
}

void TConvertView::SetProgressRange(int, int maximum) {
    progressMax_ = maximum;
}

void TConvertView::SetProgressPosition(int position) {
    if (!progressShown_) return;
    QString name;
    if (position >= 0 && position < names_.size())
        name = ReadableName(QDir::toNativeSeparators(names_[position]));
    const QString line =
        QStringLiteral("\r\033[K[%1/%2] %3").arg(position + 1).arg(progressMax_ + 1).arg(name);
    std::fputs(line.toLocal8Bit().constData(), messages_);
    std::fflush(messages_);
    progressOnScreen_ = true;
}

void TConvertView::ClearProgress() {
    if (!progressOnScreen_) return;
    std::fputs("\r\033[K", messages_);
    std::fflush(messages_);
    progressOnScreen_ = false;
}

void TConvertView::ShowPage() {
    if (job_.Step == PageSaving) location_ = job_.OutIsDirectory ? job_.OutDir : job_.OutPath;
}

void TConvertView::ShowMessage(const QString& text, const QString&) {
    ClearProgress();
    std::fprintf(messages_, "%s: %s\n", kConvertProgram,
                 ReadableName(text).toLocal8Bit().constData());
    std::fflush(messages_);
}
