// The settings store: what a start reads, and what confirming the preset dialog writes.

#include "EngineHarness.h"
#include "fakes/FakeSettingsStore.h"

namespace {

void ExpectStartPresets(const TJobState& job) {
    EXPECT_EQ(job.PresetIconSize, 32);
    EXPECT_EQ(job.PresetIconBPP, 8);
    EXPECT_EQ(job.PresetSizing, 0);
    EXPECT_EQ(job.PresetMasking, 1);
    EXPECT_FALSE(job.FixResolution);
    EXPECT_FALSE(job.FixSizing);
    EXPECT_FALSE(job.FixMasking);
}

TEST(SettingsTest, FirstStartAndValuesThisProgramNeverWritesReadAsDefaults) {
    FakeSettingsStore empty;
    TJobState job;
    job.PresetIconSize = 16; // a stale value must not survive the read
    job.FixSizing = true;
    TFontSetting font = LoadSettings(job, empty);
    ExpectStartPresets(job);
    EXPECT_EQ(font.Name, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(font.Style, 0);
    EXPECT_EQ(font.Size, 8);
    const TPresetAnswers shown = PresetAnswersOf(job);
    EXPECT_EQ(shown.IconSizeItem, 1);
    EXPECT_EQ(shown.IconBPPItem, 1);
    EXPECT_TRUE(shown.TryAutoMask);
    EXPECT_FALSE(shown.FixResolution || shown.FixSizing || shown.FixMasking);

    for (const QStringList& bad : {QStringList{"y", "64", "3", "1", "2", "", "", "x"},
                                   QStringList{"yes", "+48", "8 ", "-0", "", "", "-3", "0"},
                                   QStringList{"N", "99999999999999999999", "0x8", "", "", "",
                                               "99999999999999999999", "513"}}) {
        FakeSettingsStore store;
        store.Values = {{"Fix_Resolution", bad[0]}, {"IconSize", bad[1]}, {"IconBPP", bad[2]},
                        {"Sizing", bad[3]},         {"Masking", bad[4]},  {"FontName", bad[5]},
                        {"FontStyle", bad[6]},      {"FontSize", bad[7]}};
        job.FixResolution = true;
        font = LoadSettings(job, store);
        SCOPED_TRACE(bad.join(QLatin1Char('|')).toStdString());
        ExpectStartPresets(job);
        EXPECT_EQ(font.Name, QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(font.Style, 0);
        EXPECT_EQ(font.Size, 8);
    }
}

TEST(SettingsTest, StoredValuesReachTheJobAndTheFont) {
    FakeSettingsStore store;
    store.Values = {{"Fix_Resolution", "Y"}, {"IconSize", "48"},
                    {"IconBPP", "4"},        {"Fix_Sizing", "Y"},
                    {"Sizing", "0"},         {"Fix_Masking", "Y"},
                    {"Masking", "0"},        {"FontName", "Liberation Serif"},
                    {"FontStyle", "3"},      {"FontSize", "10"}};
    TJobState job;
    TFontSetting font = LoadSettings(job, store);
    EXPECT_TRUE(job.FixResolution && job.FixSizing && job.FixMasking);
    EXPECT_EQ(job.PresetIconSize, 48);
    EXPECT_EQ(job.PresetIconBPP, 4);
    EXPECT_EQ(job.PresetMasking, 0);
    EXPECT_EQ(PresetAnswersOf(job).IconSizeItem, 2);
    EXPECT_EQ(PresetAnswersOf(job).IconBPPItem, 0);
    EXPECT_FALSE(PresetAnswersOf(job).TryAutoMask);
    EXPECT_EQ(font.Name, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(font.Style, FontStyleBold | FontStyleItalic);
    EXPECT_EQ(font.Size, 10);

    store.Values["FontStyle"] = "17"; // only the low four bits count
    EXPECT_EQ(LoadSettings(job, store).Style, FontStyleBold);

    FakeSettingsStore written;
    ASSERT_TRUE(StoreFont(written, {"DejaVu Sans", 13, 12}));
    EXPECT_EQ(written.Written,
              (QStringList{"FontName=DejaVu Sans", "FontStyle=13", "FontSize=12"}));
    font = LoadSettings(job, written);
    EXPECT_EQ(font.Name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(font.Style, 13);
    EXPECT_EQ(font.Size, 12);
}

TEST(SettingsTest, ConfirmingWritesEachValueInOrderAndAFailedWriteKeepsTheRest) {
    TPresetAnswers answers;
    answers.FixResolution = true;
    answers.IconSizeItem = 0;
    answers.IconBPPItem = 0;
    answers.TryAutoMask = false;
    answers.FixMasking = true;

    FakeSettingsStore store;
    TJobState job;
    ASSERT_TRUE(StorePresets(store, job, answers));
    EXPECT_EQ(store.Written,
              (QStringList{"Fix_Resolution=Y", "IconSize=16", "IconBPP=4", "Fix_Sizing=N",
                           "Sizing=0", "Fix_Masking=Y", "Masking=0"}));
    EXPECT_TRUE(job.FixResolution);
    EXPECT_EQ(job.PresetIconSize, 16);
    EXPECT_EQ(job.PresetIconBPP, 4);
    EXPECT_FALSE(job.FixSizing);
    EXPECT_TRUE(job.FixMasking);
    EXPECT_EQ(job.PresetMasking, 0);
    TJobState nextStart;
    LoadSettings(nextStart, store);
    EXPECT_EQ(PresetAnswersOf(nextStart).IconSizeItem, 0);
    EXPECT_FALSE(PresetAnswersOf(nextStart).TryAutoMask);
    EXPECT_TRUE(nextStart.FixMasking);

    answers.IconSizeItem = 7; // no such item: the middle one
    answers.IconBPPItem = 1;
    ASSERT_TRUE(StorePresets(store, job, answers));
    EXPECT_EQ(store.Values["IconSize"], QStringLiteral("32"));
    EXPECT_EQ(job.PresetIconSize, 32);

    FakeSettingsStore locked;
    locked.WritesLeft = 0;
    TJobState untouched;
    EXPECT_FALSE(StorePresets(locked, untouched, answers));
    EXPECT_TRUE(locked.Values.isEmpty());
    ExpectStartPresets(untouched);

    FakeSettingsStore full; // fails from the third write on
    full.WritesLeft = 2;
    EXPECT_FALSE(StorePresets(full, untouched, answers));
    EXPECT_TRUE(untouched.FixResolution);
    EXPECT_EQ(untouched.PresetIconSize, 32);
    EXPECT_EQ(untouched.PresetIconBPP, 8) << "a field whose value was not stored stays";
    EXPECT_FALSE(untouched.FixMasking);
    EXPECT_EQ(untouched.PresetMasking, 1);
    EXPECT_FALSE(StoreFont(locked, {}));
}

// Confirmed answers count from the next step entered, also halfway through a run.
class SettingsInRunTest : public EngineTest {};

TEST_F(SettingsInRunTest, ConfirmedPresetsApplyToTheNextStepEntered) {
    FakeSettingsStore store;
    store.Values = {{"IconSize", "48"}, {"Masking", "0"}};
    LoadSettings(job, store);
    queue({"/pics/a.bmp", "/pics/b.bmp"});
    view.location = QStringLiteral("/out");
    engine.NextButtonClick();
    view.batchAutomatic = true;
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.IconSize, 48) << "a stored \"48\" makes 48 x 48 icons in an automatic run";
    EXPECT_EQ(processor.autoMaskCount, 0) << "\"Masking\" = \"0\" leaves the mask empty";

    TPresetAnswers answers = PresetAnswersOf(job);
    answers.IconSizeItem = 0;
    answers.TryAutoMask = true;
    ASSERT_TRUE(StorePresets(store, job, answers));
    engine.NextButtonClick(); // Save: the second picture passes its steps with the new answers
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(job.IconSize, 16);
    EXPECT_EQ(processor.autoMaskCount, 1);
}

} // namespace
