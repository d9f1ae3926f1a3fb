#pragma once

// The program's settings in a QSettings INI file in the user's configuration
// directory (organisation "Kestrovan", application "Ondrafel"), every
// subkey under the group "0.7". Integers are stored as numbers, strings as
// strings; a value read with the other type counts as missing.

#include <QSettings>
#include <memory>

#include "platform/settings/settings_store.h"

class TQtSettingsStore : public TSettingsStore {
public:
    // The user's own settings file.
    TQtSettingsStore();
    // A settings file at `path` (tests).
    explicit TQtSettingsStore(const QString& path);

    bool HasKey(const std::string& key) const override;
    std::optional<std::int32_t> ReadInteger(const std::string& key,
                                            const std::string& name) const override;
    std::optional<std::string> ReadString(const std::string& key,
                                          const std::string& name) const override;
    bool ValueExists(const std::string& key, const std::string& name) const override;
    bool WriteInteger(const std::string& key, const std::string& name, std::int32_t value) override;
    bool WriteString(const std::string& key, const std::string& name,
                     const std::string& value) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;

    void Sync() { settings_->sync(); }

private:
    QVariant Read(const std::string& key, const std::string& name) const;
    std::unique_ptr<QSettings> settings_;
};
