// The preset dialog driven as a user would, and the settings store it writes to.

#include "ui/PreSetForm.h"
#include "fakes/FakeSettingsStore.h"
#include "ui/QtSettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

template <typename T> T* Control(QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 100 && !condition(); ++i)
        QTest::qWait(10);
    return condition();
}

void Press(QWidget& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &form, key, modifiers);
}

// Clicks a button on its box, which is part of it whatever the length of its text.
void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void ShowActive(QWidget& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST(PreSetFormTest, ShowsTheJobAndOnlyOKStoresTheChanges) {
    TJobState job;
    job.PresetIconSize = 48;
    job.PresetIconBPP = 4;
    job.FixSizing = true;
    job.PresetMasking = 0;
    FakeSettingsStore store;
    TPreSetForm form(job, store);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preset answers"));
    EXPECT_EQ(form.size(), QSize(321, 407));
    ShowActive(form);

    auto* masking = Control<QCheckBox>(form, "CheckMasking");
    auto* fixSizing = Control<QCheckBox>(form, "CheckFixSizing");
    auto* fixResolution = Control<QCheckBox>(form, "CheckFixResolution");
    auto* fixMasking = Control<QCheckBox>(form, "CheckFixMasking");
    const QList<QRadioButton*> sizes =
        Control<QWidget>(form, "RadioIconSize")->findChildren<QRadioButton*>();
    auto* colors = Control<QWidget>(form, "RadioIconBPP");
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_EQ(sizes[0]->text(), QStringLiteral("16 x 16"));
    EXPECT_TRUE(sizes[2]->isChecked());
    EXPECT_TRUE(colors->findChildren<QRadioButton*>().value(0)->isChecked());
    EXPECT_TRUE(fixSizing->isChecked());
    EXPECT_FALSE(masking->isChecked());
    EXPECT_FALSE(fixResolution->isChecked() || fixMasking->isChecked());

    // Accelerators: Alt+T ticks "Try to Auto-Mask", Alt+R "Always use this resolution".
    Press(form, Qt::Key_T, Qt::AltModifier);
    Press(form, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return masking->isChecked() && fixResolution->isChecked(); }));
    Click(sizes[0]);
    Click(fixSizing);
    Press(form, Qt::Key_Return); // the default button
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(store.Written,
              (QStringList{"Fix_Resolution=Y", "IconSize=16", "IconBPP=4", "Fix_Sizing=N",
                           "Sizing=0", "Fix_Masking=N", "Masking=1"}));
    EXPECT_TRUE(job.FixResolution);
    EXPECT_EQ(job.PresetIconSize, 16);
    EXPECT_FALSE(job.FixSizing);
    EXPECT_EQ(job.PresetMasking, 1);

    // Shown again, it follows the fields as they are now; Esc throws the changes away.
    job.PresetIconSize = 32;
    ShowActive(form);
    EXPECT_TRUE(sizes[1]->isChecked());
    Click(fixMasking);
    Click(colors->findChildren<QRadioButton*>().value(1));
    Press(form, Qt::Key_Escape);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(store.Written.size(), 7);
    EXPECT_FALSE(job.FixMasking);
    EXPECT_EQ(job.PresetIconBPP, 4);

    // A store that cannot be written: the user is told, the fields stay, the dialog closes.
    store.WritesLeft = 0;
    ShowActive(form);
    Click(fixMasking);
    QString told;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            told = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(Control<QPushButton>(form, "OKButton"), Qt::LeftButton);
    EXPECT_TRUE(told.contains(QStringLiteral("could not be stored"))) << told.toStdString();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(job.FixMasking);
    EXPECT_EQ(store.Written.size(), 7);
}

TEST(QtSettingsStoreTest, KeepsTextValuesAndNothingOfAFailedWrite) {
    QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vantrel"),
                   QStringLiteral("Tessaly"));
    file.clear();
    file.sync();
    TQtSettingsStore store;
    EXPECT_EQ(store.ReadValue(QStringLiteral("IconSize")), std::nullopt);
    ASSERT_TRUE(store.WriteValue(QStringLiteral("IconSize"), QStringLiteral("48")));
    EXPECT_EQ(TQtSettingsStore().ReadValue(QStringLiteral("IconSize")), QStringLiteral("48"));
    EXPECT_EQ(file.value(QStringLiteral("3/IconSize")).toString(), QStringLiteral("48"));
    file.setValue(QStringLiteral("3/FontName"), QStringList{"a", "b"});
    file.sync();
    EXPECT_EQ(store.ReadValue(QStringLiteral("FontName")), std::nullopt)
        << "a value stored as anything but text reads as missing";

    // A folder where the settings file belongs makes every write fail.
    const QString path = file.fileName();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_FALSE(store.WriteValue(QStringLiteral("Masking"), QStringLiteral("0")));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Masking")), std::nullopt);
    ASSERT_TRUE(QDir().rmdir(path));
    ASSERT_TRUE(store.WriteValue(QStringLiteral("Sizing"), QStringLiteral("0")));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_FALSE(written.readAll().contains("Masking")) << "the failed write came back";
}

} // namespace
