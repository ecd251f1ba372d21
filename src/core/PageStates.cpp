#include "core/PageStates.h"

#include "core/PagePreviews.h"

namespace {

// A picture of a manual run that failed to load: its resolution page offers nothing.
bool FailedPicture(const TJobState& job) {
    return !job.AutoMode && job.SourceKind == TSourceKind::None;
}

} // namespace

TWindowState WindowState(const TJobState& job, bool canGoBack) {
    TWindowState state;
    state.Page = job.Step;
    state.SidePictureVisible = job.Step != PageMasking;
    state.NextCaption = NextCaption(job.Step);
    state.BackEnabled = canGoBack && !(job.Step == PageResolution && FailedPicture(job));
    state.CancelEnabled = job.Step != PageFinish;
    state.AcceptsDrops = job.Step == PageSource;
    const bool picturePage = job.Step >= PageResolution && job.Step <= PageSaving;
    state.Title = picturePage ? TTitleKind::StepSummary : TTitleKind::Product;
    return state;
}

TResolutionPageState ResolutionPageState(const TJobState& job) {
    TResolutionPageState state;
    state.ChoicesEnabled = !FailedPicture(job);
    state.PreviewVisible = !job.AutoMode && !FailedPicture(job);
    if (state.PreviewVisible) {
        state.Preview = job.InputImage;
        state.PreviewPlace =
            PreviewPlace(ScalePreviewSize(job.InputImage.width(), job.InputImage.height()));
    }
    return state;
}

TSizingPageState SizingPageState(const TJobState& job, bool cropChosen, const QImage& cropped) {
    TSizingPageState state;
    state.CropOptionEnabled = cropChosen;
    state.PreviewStretched = !cropChosen;
    state.Preview = cropChosen ? cropped : job.InputImage;
    state.PreviewPlace = PreviewPlace({job.IconSize, job.IconSize});
    return state;
}

TSavingPageState SavingPageState(const TJobState& job, int formatItem, bool replaceOffered,
                                 QColor background) {
    TSavingPageState state;
    state.Description = FormatDescription(formatItem);
    state.LocationLabel = LocationLabel(job.OutIsDirectory);
    state.Location = LocationText(job);
    state.ReplaceVisible = replaceOffered;
    if (!job.AutoMode) state.Preview = LastPreviewPicture(job, background);
    return state;
}

TFinishPageState FinishPageState(const TRunRecord& record) {
    TFinishPageState state;
    state.Headline = FinishHeadline(record);
    state.Details = FinishDetails(record);
    state.DetailsVisible = !state.Details.isEmpty();
    return state;
}
