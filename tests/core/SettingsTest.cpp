// What a start reads from the settings store, and what confirming the preset dialog writes.

#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsTest, ReadsWhatThisProgramWritesAndDefaultsTheRest) {
    FakeSettingsStore store;
    TJobState job;
    const QStringList names{"Fix_Resolution", "IconSize", "IconBPP",  "Fix_Sizing", "Sizing",
                            "Fix_Masking",    "Masking",  "FontName", "FontStyle",  "FontSize"};
    for (const char* texts :
         {"_ _ _ _ _ _ _ _ _ _", "y 64 3 yes 1 Y. 2 _ x 0", "N +48 0x8 _ -0 _ _ _ -3 5",
          "_ 99999999999 _ _ _ _ _ _ 1e3 25", "Y 48 4 Y 0 Y 0 Liberation_Serif 3 10"}) {
        for (int i = 0; i < names.size(); ++i)
            store.Values[names[i]] = QString(texts).split(' ')[i].replace("_", "");
        job.FixSizing = true; // a stale field does not survive the read
        const TFontSetting font = LoadSettings(job, store);
        const QString read = QString("%1 %2 %3 ").arg(font.Name).arg(font.Style).arg(font.Size);
        EXPECT_EQ(read.toStdString() + Presets(job), texts[0] == 'Y'
                                                         ? "LiberationSerif 3 10 Y 48 4 Y 0 Y 0"
                                                         : "MS Sans Serif 0 8 N 32 8 N 0 N 1");
    }
    store.Values["FontStyle"] = "17";
    EXPECT_EQ(LoadSettings(job, store).Style, FontStyleBold) << "only the low four bits count";
    ASSERT_TRUE(StoreFont(store, {"DejaVu Sans", 13, 12}));
    EXPECT_EQ(LoadSettings(job, store).Name, QStringLiteral("DejaVu Sans"));
}

TEST(SettingsTest, ConfirmingStoresEachValueBeforeItsFieldAndStopsAtAFailedWrite) {
    FakeSettingsStore store;
    TJobState job, nextStart;
    ASSERT_TRUE(StorePresets(store, job, {true, 0, 0, false, false, true}));
    LoadSettings(nextStart, store);
    EXPECT_TRUE(Presets(job) == Presets(nextStart) && Presets(job) == "Y 16 4 N 0 Y 0");
    store.WritesLeft = 2; // IconBPP fails; item 7 is no item: the middle one
    EXPECT_FALSE(StorePresets(store, job, {true, 7, 1, false, true, true}) || StoreFont(store, {}));
    EXPECT_EQ(store.Values["IconSize"], QStringLiteral("32"));
    EXPECT_EQ(Presets(job), "Y 32 4 N 0 Y 0") << "only the fields whose values were stored";
}

} // namespace
