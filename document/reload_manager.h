#pragma once

// The recently closed documents that the "&Reopen" submenu offers: at most
// ten paths, most recently closed first, never one twice. The list lives in
// the settings as the string values "File_0" ... "File_9" of its key, read
// when the list is made and written when it is destroyed.
//
// Interface thread only.

#include <string>
#include <vector>

class TSettingsStore;

class VXReloadManager {
public:
    static constexpr int MaxEntries = 10;

    // Index 0 is the most recent.
    std::vector<std::string> entries;
    const std::string registryKey;

    // Reads the entries when the key exists (it is not created here);
    // missing values are skipped, later ones still read. The store must
    // outlive the list.
    VXReloadManager(TSettingsStore& store, std::string registryKey);
    // Writes the list.
    ~VXReloadManager();
    VXReloadManager(const VXReloadManager&) = delete;
    VXReloadManager& operator=(const VXReloadManager&) = delete;

    // Puts `path` at the top, absolute and with its links resolved: moved
    // there when it is listed already (by any name), the oldest entry
    // dropped when the list is full.
    void Add(const std::string& path);

    // "&0 PATH", "&1 PATH", ...: the submenu's captions, the digit being
    // the access key. The submenu is enabled only when there are some.
    std::vector<std::string> MenuCaptions() const;

    // Writes "File_0" ... for the entries and deletes the values after them.
    void Save();

private:
    TSettingsStore& store;
};

// The key the main window keeps its list under.
inline const char* const ODClosedFilesKey = "Closed Files";
