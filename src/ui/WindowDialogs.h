#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;
class TFileDialog;

// The modal dialogs the program's windows open, behind one interface so that a test can answer
// them without a window waiting for a click.
class TWindowDialogs {
public:
    virtual ~TWindowDialogs() = default;
    // A message box with one OK button.
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The open-file dialog of the Add button: existing files, several at once, with the
    // given name filters (`selectedFilter` chosen) and default suffix. Empty when cancelled.
    virtual QStringList ChooseFilesToAdd(QWidget* owner, const QStringList& nameFilters,
                                         const QString& selectedFilter,
                                         const QString& defaultSuffix) = 0;
    // The font dialog starting on `initial`; nothing when cancelled.
    virtual std::optional<QFont> ChooseFont(QWidget* owner, const QFont& initial) = 0;
    // The colour dialog starting on `initial`; nothing when cancelled.
    virtual std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) = 0;
    // Shows one of the program's own dialogs modally; true when it was accepted.
    virtual bool Run(QDialog& dialog) = 0;
    // The folder and file chooser; true when it was closed with OK.
    virtual bool Run(TFileDialog& chooser, QWidget* owner) = 0;
};

// The real dialogs.
class TQtWindowDialogs : public TWindowDialogs {
public:
    void ShowMessage(QWidget* owner, const QString& text, const QString& caption) override;
    QStringList ChooseFilesToAdd(QWidget* owner, const QStringList& nameFilters,
                                 const QString& selectedFilter,
                                 const QString& defaultSuffix) override;
    std::optional<QFont> ChooseFont(QWidget* owner, const QFont& initial) override;
    std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) override;
    bool Run(QDialog& dialog) override;
    bool Run(TFileDialog& chooser, QWidget* owner) override;
};
