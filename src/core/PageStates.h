#pragma once

#include "core/JobState.h"
#include "core/PageTexts.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

// What the window and its pages show, worked out from the job without a widget: each
// page's Show applies its state as it is. The source page's state comes from the queue
// (TInputQueue::SourcePage).

// The window around the pages: the page of the current step, the side picture (the
// masking page is wider and covers it), the buttons, the title and dropped files. Next is
// enabled but on the source page, whose own state says.
struct TWindowState {
    WizardPage Page = PageSource;
    bool SidePictureVisible = true;
    QString NextCaption;
    bool BackEnabled = false;
    bool CancelEnabled = true;
    bool AcceptsDrops = false;
    TTitleKind Title = TTitleKind::Product;
};
// canGoBack: whether Back leaves the current step (TStepEngine::CanGoBack).
TWindowState WindowState(const TJobState& job, bool canGoBack);

// The resolution page: the size and colour choices and the picture's preview, placed in
// its 64 x 64 box. A picture of a manual run that failed to load offers no choices, no
// preview and no Back.
struct TResolutionPageState {
    bool ChoicesEnabled = true;
    bool PreviewVisible = false;
    QImage Preview;
    QRect PreviewPlace;
};
TResolutionPageState ResolutionPageState(const TJobState& job);

// The sizing page: "Crop option" only with crop chosen; the preview, IconSize square in
// its 64 x 64 box, is the whole picture squeezed into the square when scaling, or the
// crop square's content (`cropped`) at 1:1.
struct TSizingPageState {
    bool CropOptionEnabled = false;
    bool PreviewStretched = true;
    QImage Preview;
    QRect PreviewPlace;
};
TSizingPageState SizingPageState(const TJobState& job, bool cropChosen, const QImage& cropped);

// The save page with format item `formatItem` chosen: its description, the location's
// label and text, whether "Replace existing file" is offered (`replaceOffered`, from the
// format), and the icon's preview (LastPreviewPicture), none in an automatic run.
struct TSavingPageState {
    QString Description;
    QString LocationLabel;
    QString Location;
    bool ReplaceVisible = true;
    QImage Preview; // null: no preview
};
TSavingPageState SavingPageState(const TJobState& job, int formatItem, bool replaceOffered,
                                 QColor background);

// The finish page: the headline, and the details box only when there are details.
struct TFinishPageState {
    QString Headline;
    QString Details;
    bool DetailsVisible = false;
};
TFinishPageState FinishPageState(const TRunRecord& record);
