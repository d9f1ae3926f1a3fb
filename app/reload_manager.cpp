#include "app/reload_manager.h"

#include <algorithm>

#include "platform/settings/settings_store.h"

namespace {

std::string ValueName(int i) {
    return "File_" + std::to_string(i);
}

} // namespace

VXReloadManager::VXReloadManager(TSettingsStore& store, std::string registryKey)
    : registryKey(std::move(registryKey)), store(store) {
    if (!store.HasKey(this->registryKey))
        return;
    for (int i = 0; i < MaxEntries; ++i)
        if (auto path = store.ReadString(this->registryKey, ValueName(i)))
            entries.push_back(std::move(*path));
}

VXReloadManager::~VXReloadManager() {
    Save();
}

void VXReloadManager::Add(const std::string& path) {
    std::erase(entries, path);
    if (entries.size() >= static_cast<size_t>(MaxEntries))
        entries.resize(MaxEntries - 1);
    entries.insert(entries.begin(), path);
}

std::vector<std::string> VXReloadManager::MenuCaptions() const {
    std::vector<std::string> captions;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string caption = "&";
        caption.append(std::to_string(i)).append(" ").append(entries[i]);
        captions.push_back(std::move(caption));
    }
    return captions;
}

void VXReloadManager::Save() {
    const int count = static_cast<int>(entries.size());
    for (int i = 0; i < count; ++i)
        store.WriteString(registryKey, ValueName(i), entries[static_cast<size_t>(i)]);
    for (int i = count; i < MaxEntries; ++i)
        if (store.ValueExists(registryKey, ValueName(i)))
            store.DeleteValue(registryKey, ValueName(i));
}
