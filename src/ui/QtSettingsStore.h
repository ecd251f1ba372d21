#pragma once

#include "core/Settings.h"

// The per-user settings of Tessaly through QSettings: the registry key
// Software\Vantrel\Tessaly\3 on Windows, the group [3] of Vantrel/Tessaly.conf under the
// user's configuration folder on Linux. Every value is kept as text.
class TQtSettingsStore : public TSettingsStore {
public:
    TQtSettingsStore() = default;

    // A value stored as anything but text reads as missing.
    std::optional<QString> ReadValue(const QString& name) const override;
    // Writes through to the file (or registry) at once; when that fails the value in
    // memory is put back, so the store keeps saying what is really stored.
    bool WriteValue(const QString& name, const QString& value) override;
};
