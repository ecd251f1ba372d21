// The preset dialog driven as a user would, over a fake store and the real one.

#include "ui/PreSetForm.h"
#include "UiTestSupport.h"
#include "fakes/FakeSettingsStore.h"
#include "ui/QtSettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Settings in a folder of the test's own, never the user's, and new for every run of it.
struct OwnSettingsFolder {
    QTemporaryDir Folder;
    OwnSettingsFolder() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Folder.path());
    }
};

// Shows the dialog as the active window and gives the names of its checked buttons.
std::string ShowChecked(QWidget& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    QStringList checked;
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>())
        if (button->isChecked()) checked << button->objectName();
    return checked.join(' ').toStdString();
}
// Clicks a button on its box, which takes clicks whatever the length of its text.
void Click(QWidget& form, const char* name) {
    QTest::mouseClick(form.findChild<QAbstractButton*>(name), Qt::LeftButton, {}, {6, 8});
}

TEST(PreSetFormTest, ShowsTheJobAndOnlyOKStoresTheChanges) {
    const OwnSettingsFolder settingsFolder;
    FakeSettingsStore store;
    store.Values = {{"IconSize", "48"}, {"IconBPP", "4"}, {"Fix_Sizing", "Y"}, {"Masking", "0"}};
    TJobState job;
    LoadSettings(job, store);
    FakeDialogs dialogs;
    TPreSetForm form(job, store, dialogs);
    EXPECT_TRUE(form.windowTitle() == "Preset answers" && form.size() == QSize(321, 407));
    EXPECT_EQ(ShowChecked(form), "RadioIconSize2 RadioIconBPP0 CheckFixSizing");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier); // "&Try to..."
    for (const char* name : {"CheckFixResolution", "RadioIconSize0", "CheckFixSizing"})
        Click(form, name);
    // The accelerator's click is animated: it lands a moment later.
    const auto* masking = form.findChild<QAbstractButton*>("CheckMasking");
    EXPECT_TRUE(QTest::qWaitFor([&] { return masking->isChecked(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // OK is the default button
    EXPECT_EQ(store.Written.join(' ').toStdString(),
              "Fix_Resolution=Y IconSize=16 IconBPP=4 "
              "Fix_Sizing=N Sizing=0 Fix_Masking=N Masking=1");
    EXPECT_EQ(Presets(job), "Y 16 4 N 0 N 1");

    // Shown again, it follows the fields as they are now; Esc throws the changes away.
    job.PresetIconSize = 32;
    EXPECT_EQ(ShowChecked(form), "RadioIconSize1 RadioIconBPP0 CheckFixResolution CheckMasking");
    Click(form, "CheckFixMasking");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(form.result() == QDialog::Rejected && Presets(job) == "Y 32 4 N 0 N 1");

    // With a folder in the settings file's place nothing can be stored: the user is told,
    // the fields stay, the dialog closes, and no failed value comes back later.
    TQtSettingsStore settings;
    TPreSetForm locked(job, settings, dialogs);
    const QString file =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vantrel", "Tessaly").fileName();
    ASSERT_TRUE(!QFile::exists(file) && QDir().mkpath(file));
    ShowChecked(locked);
    Click(locked, "CheckFixMasking");
    Click(locked, "OKButton");
    const QString told = dialogs.Messages.join('\n');
    EXPECT_TRUE(told.contains("could not be stored") && !locked.isVisible()) << told.toStdString();
    ASSERT_TRUE(QDir().rmdir(file) && settings.WriteValue("IconSize", "48"));
    EXPECT_TRUE(!TQtSettingsStore().ReadValue("Fix_Resolution") &&
                Presets(job) == "Y 32 4 N 0 N 1");
}

} // namespace
