#include "document/reload_manager.h"

#include <algorithm>

#include "document/file_paths.h"
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
    for (int i = 0; i < MaxEntries; ++i) {
        auto path = store.ReadString(this->registryKey, ValueName(i));
        if (!path || path->empty())
            continue;
        // A relative entry written by an older version names its file from
        // a working directory nobody remembers; it is kept as it is.
        std::string entry = path->front() == '/' ? ODCanonicalPath(*path) : *path;
        if (std::find(entries.begin(), entries.end(), entry) == entries.end())
            entries.push_back(std::move(entry));
    }
}

VXReloadManager::~VXReloadManager() {
    Save();
}

void VXReloadManager::Add(const std::string& given) {
    if (given.empty())
        return;
    // Reopen must work from any working directory, and the same file
    // reached by two names is one entry.
    const std::string path = ODCanonicalPath(given);
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
