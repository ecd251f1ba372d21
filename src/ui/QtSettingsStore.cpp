#include "ui/QtSettingsStore.h"

#include <QSettings>
#include <memory>

namespace {

std::unique_ptr<QSettings> OpenKey() {
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Vantrel"), QStringLiteral("Tessaly"));
    settings->beginGroup(QStringLiteral("3"));
    return settings;
}

} // namespace

std::optional<QString> TQtSettingsStore::ReadValue(const QString& name) const {
    const QVariant value = OpenKey()->value(name);
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString();
}

bool TQtSettingsStore::WriteValue(const QString& name, const QString& value) {
    const std::unique_ptr<QSettings> settings = OpenKey();
    const QVariant before = settings->value(name);
    settings->setValue(name, value);
    settings->sync();
    if (settings->status() == QSettings::NoError) return true;
    // QSettings keeps unsaved changes for the whole process and would write them with the
    // next value that can be saved; undo this one so that a later write stores only itself.
    if (before.isValid())
        settings->setValue(name, before);
    else
        settings->remove(name);
    return false;
}
