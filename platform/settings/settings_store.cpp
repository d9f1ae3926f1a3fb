#include "platform/settings/settings_store.h"

const TMemorySettingsStore::Value* TMemorySettingsStore::Find(const std::string& key,
                                                              const std::string& name) const {
    const auto k = keys.find(key);
    if (k == keys.end())
        return nullptr;
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

std::optional<std::int32_t> TMemorySettingsStore::ReadInteger(const std::string& key,
                                                              const std::string& name) const {
    const Value* v = Find(key, name);
    if (v == nullptr || !std::holds_alternative<std::int32_t>(*v))
        return std::nullopt;
    return std::get<std::int32_t>(*v);
}

std::optional<std::string> TMemorySettingsStore::ReadString(const std::string& key,
                                                            const std::string& name) const {
    const Value* v = Find(key, name);
    if (v == nullptr || !std::holds_alternative<std::string>(*v))
        return std::nullopt;
    return std::get<std::string>(*v);
}

bool TMemorySettingsStore::ValueExists(const std::string& key, const std::string& name) const {
    return Find(key, name) != nullptr;
}

bool TMemorySettingsStore::WriteInteger(const std::string& key, const std::string& name,
                                        std::int32_t value) {
    keys[key][name] = value;
    return true;
}

bool TMemorySettingsStore::WriteString(const std::string& key, const std::string& name,
                                       const std::string& value) {
    keys[key][name] = value;
    return true;
}

bool TMemorySettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    const auto k = keys.find(key);
    return k != keys.end() && k->second.erase(name) != 0;
}
