#pragma once

#include "fakes/FakeSettingsStore.h"
#include "ui/Form1.h"
#include "ui/WindowDialogs.h"

#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Dialogs answered at once: messages are recorded, the Add dialog gives FilesToAdd, the
// font dialog gives Font, the colour dialog Color, the program's dialogs and the chooser
// close with their answer.
struct FakeDialogs : TWindowDialogs {
    QStringList Messages; // "caption: text"
    std::function<void()> OnMessage;
    QStringList FilesToAdd;
    int AddDialogs = 0;
    QString FilterOffered;
    std::optional<QFont> Font;
    QFont FontOffered;
    std::optional<QColor> Color;
    QColor ColorOffered;
    QStringList DialogsRun; // object names
    void ShowMessage(QWidget*, const QString& text, const QString& caption) override {
        Messages << caption + QStringLiteral(": ") + text;
        if (OnMessage) OnMessage();
    }
    QStringList ChooseFilesToAdd(QWidget*, const QStringList&, const QString& selected,
                                 const QString&) override {
        ++AddDialogs;
        FilterOffered = selected;
        return FilesToAdd;
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override {
        FontOffered = initial;
        return Font;
    }
    std::optional<QColor> ChooseColor(QWidget*, const QColor& initial) override {
        ColorOffered = initial;
        return Color;
    }
    bool Run(QDialog& dialog) override {
        DialogsRun << dialog.objectName();
        return true;
    }
    bool Run(TFileDialog&, QWidget*) override { return false; }
};

// One wizard window as the program starts it, shown (off screen).
struct Wizard {
    FakeSettingsStore Store;
    FakeDialogs Dialogs;
    std::unique_ptr<TForm1> Form;

    explicit Wizard(const QStringList& arguments);
    template <typename T = QWidget> T* Get(const char* name) const {
        T* widget = Form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    bool Shows(const char* name) const { return Get(name)->isVisible(); }
    void Click(const char* name) const;
    // The page shown, as the step engine counts them (PageSource .. PageFinish); -1 when
    // none is.
    int Page() const;
};

// Writes a picture file of the given size with a few colours; gives its path.
QString WritePicture(const QString& path, int width, int height);
void ClearClipboard();
