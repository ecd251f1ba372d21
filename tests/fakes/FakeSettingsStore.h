#pragma once

#include "core/Settings.h"

#include <QMap>
#include <QStringList>

// A settings store in memory that records every write in order. Writes fail once
// WritesLeft reaches 0 (it counts down; negative means no limit), and a failed write
// keeps nothing, as the real store promises.
class FakeSettingsStore : public TSettingsStore {
public:
    QMap<QString, QString> Values;
    QStringList Written; // "name=value" of every write kept, in order
    int WritesLeft = -1;

    std::optional<QString> ReadValue(const QString& name) const override {
        const auto it = Values.constFind(name);
        if (it == Values.constEnd()) return std::nullopt;
        return *it;
    }

    bool WriteValue(const QString& name, const QString& value) override {
        if (WritesLeft == 0) return false;
        if (WritesLeft > 0) --WritesLeft;
        Values[name] = value;
        Written << name + QLatin1Char('=') + value;
        return true;
    }
};
