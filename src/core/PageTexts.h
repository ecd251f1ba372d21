#pragma once

#include "core/JobState.h"

#include <QString>
#include <QStringList>

// The texts the wizard's window shows that depend on the job: the title bar, the button
// captions, the save page's description and location, and the Add dialog's filters.

// The product title the window shows on pages without a picture: the product's name and
// its release.
QString ProductTitle();
// The application's name, also the caption of its own message boxes.
QString ApplicationTitle();

// The step summary of the title bar: the step's prefix and the current source. With
// `clipboardSource` (the run's source is the clipboard), a picture that failed to load
// is still named as the clipboard's, since no queue entry belongs to it.
QString StepSummary(const TJobState& job, bool clipboardSource);
// What the title bar shows: the product title, or the step summary.
enum class TTitleKind { Product, StepSummary };
QString WindowTitle(const TJobState& job, TTitleKind kind, bool clipboardSource);

// The Next button's caption on the page of a step.
QString NextCaption(WizardPage step);
QString BackCaption();
QString CancelCaption();

// The save page's description of format item 0..2 (empty for any other item).
QString FormatDescription(int item);
// The label above the location edit, and what the edit shows.
QString LocationLabel(bool directory);
QString LocationText(const TJobState& job);

// The finish page: its first line, "All valid icons were successfully saved." only when a
// run that was not stopped saved at least one icon; then what it did in full: where the
// icons went, existing files kept, and each picture that could not be loaded, with the
// reason ("name: reason").
QString FinishHeadline(const TRunRecord& record);
QString FinishDetails(const TRunRecord& record);

// The Add dialog's filter as description|pattern pairs, and the same as the file
// dialog's name filters ("Windows bitmap (*.bmp)", ..., the last with its patterns
// listed: "All supported formats (*.bmp *.jpg *.jpeg *.gif *.ico *.png *.svg)").
QString AddDialogFilter();
QStringList NameFilters(const QString& barFilter);
// The name filter the Add dialog opens on: "All supported formats", wherever it is listed.
QString AddDialogStartFilter(const QStringList& nameFilters);
