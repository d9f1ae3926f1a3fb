#include "app/qt_settings_store.h"

namespace {

const QString kGroup = QStringLiteral("0.7");

// Subkeys and value names may hold characters QSettings treats specially
// ("/" separates groups); the program's own names never do.
QString Path(const std::string& key, const std::string& name) {
    return kGroup + '/' + QString::fromStdString(key) + '/' + QString::fromStdString(name);
}

} // namespace

TQtSettingsStore::TQtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Kestrovan"),
                                            QStringLiteral("Ondrafel"))) {}

TQtSettingsStore::TQtSettingsStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

bool TQtSettingsStore::HasKey(const std::string& key) const {
    settings_->beginGroup(kGroup + '/' + QString::fromStdString(key));
    const bool exists = !settings_->childKeys().isEmpty() || !settings_->childGroups().isEmpty();
    settings_->endGroup();
    return exists;
}

QVariant TQtSettingsStore::Read(const std::string& key, const std::string& name) const {
    return settings_->value(Path(key, name));
}

std::optional<std::int32_t> TQtSettingsStore::ReadInteger(const std::string& key,
                                                          const std::string& name) const {
    const QVariant v = Read(key, name);
    if (!v.isValid())
        return std::nullopt;
    // The INI format gives every value back as text; a number is a value
    // whose whole text is one.
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(n);
}

std::optional<std::string> TQtSettingsStore::ReadString(const std::string& key,
                                                        const std::string& name) const {
    const QVariant v = Read(key, name);
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

bool TQtSettingsStore::ValueExists(const std::string& key, const std::string& name) const {
    return settings_->contains(Path(key, name));
}

bool TQtSettingsStore::WriteInteger(const std::string& key, const std::string& name,
                                    std::int32_t value) {
    settings_->setValue(Path(key, name), value);
    return settings_->status() == QSettings::NoError;
}

bool TQtSettingsStore::WriteString(const std::string& key, const std::string& name,
                                   const std::string& value) {
    settings_->setValue(Path(key, name), QString::fromStdString(value));
    return settings_->status() == QSettings::NoError;
}

bool TQtSettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    if (!ValueExists(key, name))
        return false;
    settings_->remove(Path(key, name));
    return true;
}
