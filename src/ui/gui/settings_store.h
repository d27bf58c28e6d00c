#pragma once
// The per-user settings store on this desktop: QSettings, organisation "Teskarro",
// application "Parvane" (a file under ~/.config/Teskarro/).

#include "ui/user_settings.h"

#include <QSettings>

namespace parvane {

class TQtSettingsStore : public TSettingsStore {
public:
    TQtSettingsStore() : settings_("Teskarro", "Parvane") {}
    explicit TQtSettingsStore(const QString& fileName)
        : settings_(fileName, QSettings::IniFormat) {}

    std::optional<std::string> Read(const std::string& key) const override {
        const QString name = QString::fromStdString(key);
        if (!settings_.contains(name))
            return std::nullopt;
        const QVariant value = settings_.value(name);
        if (!value.canConvert<QString>())
            return std::nullopt;
        return value.toString().toStdString();
    }
    void Write(const std::string& key, const std::string& value) override {
        settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
    }
    void Sync() { settings_.sync(); }

private:
    QSettings settings_;
};

} // namespace parvane
