#pragma once

#include "core/Settings.h"

#include <QMap>
#include <QStringList>

// Settings in memory that record each write kept as "name=value". Once WritesLeft has
// counted down to 0 every write fails and keeps nothing (negative: no limit).
struct FakeSettingsStore : TSettingsStore {
    QMap<QString, QString> Values;
    QStringList Written;
    int WritesLeft = -1;
    std::optional<QString> ReadValue(const QString& name) const override {
        return Values.contains(name) ? std::optional(Values[name]) : std::nullopt;
    }
    bool WriteValue(const QString& name, const QString& value) override {
        if (WritesLeft == 0) return false;
        WritesLeft -= WritesLeft > 0;
        Written << name + QLatin1Char('=') + (Values[name] = value);
        return true;
    }
};

// The job's preset fields in the order of the store's values, flags as Y or N.
inline std::string Presets(const TJobState& job) {
    const auto flag = [](bool set) { return set ? 'Y' : 'N'; };
    return QString::asprintf("%c %d %d %c %d %c %d", flag(job.FixResolution), job.PresetIconSize,
                             job.PresetIconBPP, flag(job.FixSizing),
                             static_cast<int>(job.PresetSizing), flag(job.FixMasking),
                             static_cast<int>(job.PresetMasking))
        .toStdString();
}
