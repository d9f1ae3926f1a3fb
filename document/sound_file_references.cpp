#include "document/sound_file_references.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/settings/settings_store.h"

namespace {

const char* const kSearchKey = "SFPaths";

std::string PathValueName(size_t i) {
    return "Path_" + std::to_string(i);
}

std::string DirectoryPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// File names on this platform are case-sensitive: "/Music/" is not a prefix
// of "/music/a.wav", and stripping it would resolve to another file.
bool IsShorterPrefix(const std::string& dir, const std::string& path) {
    return dir.size() < path.size() && path.compare(0, dir.size(), dir) == 0;
}

} // namespace

TSoundFileSearch& SoundFileSearch() {
    static TSoundFileSearch search;
    return search;
}

std::string ProgramDirectory() {
    static const std::string dir = [] {
        char buffer[4096];
        const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0)
            return std::string("./");
        return DirectoryPart(std::string(buffer, static_cast<size_t>(n)));
    }();
    return dir;
}

void LoadSearchDirectories(const TSettingsStore& store) {
    TSoundFileSearch& s = SoundFileSearch();
    s.programDirectory = ProgramDirectory();
    s.soundFileBase.reset();
    s.searchDirectories.clear();
    for (size_t i = 0;; ++i) {
        const auto dir = store.ReadString(kSearchKey, PathValueName(i));
        if (!dir)
            break;
        s.searchDirectories.push_back(*dir);
    }
}

void SaveSearchDirectories(TSettingsStore& store) {
    const auto& dirs = SoundFileSearch().searchDirectories;
    for (size_t i = 0; i < dirs.size(); ++i)
        store.WriteString(kSearchKey, PathValueName(i), dirs[i]);
    for (size_t i = dirs.size(); store.ValueExists(kSearchKey, PathValueName(i)); ++i)
        store.DeleteValue(kSearchKey, PathValueName(i));
}

void SetSoundFileBase(const std::string& documentPath) {
    SoundFileSearch().soundFileBase = DirectoryPart(documentPath);
}

std::string MakeSoundFileReference(const std::string& path) {
    if (path.empty())
        return std::string();
    const TSoundFileSearch& s = SoundFileSearch();
    if (s.soundFileBase && IsShorterPrefix(*s.soundFileBase, path))
        return path.substr(s.soundFileBase->size());
    for (const std::string& dir : s.searchDirectories)
        if (IsShorterPrefix(dir, path))
            return path.substr(dir.size());
    if (!s.programDirectory.empty() && IsShorterPrefix(s.programDirectory, path))
        return path.substr(s.programDirectory.size());
    return path;
}

std::string ResolveSoundFileReference(const std::string& reference) {
    if (reference.empty())
        return std::string();
    // An absolute reference names its file; glued to a directory it would
    // name a different one.
    if (reference.front() == '/')
        return reference;
    const TSoundFileSearch& s = SoundFileSearch();
    if (s.soundFileBase && IsFile(*s.soundFileBase + reference))
        return *s.soundFileBase + reference;
    for (const std::string& dir : s.searchDirectories)
        if (IsFile(dir + reference))
            return dir + reference;
    if (!s.programDirectory.empty() && IsFile(s.programDirectory + reference))
        return s.programDirectory + reference;
    return reference;
}

bool SoundFileReferenceExists(const std::string& reference) {
    return !reference.empty() && IsFile(ResolveSoundFileReference(reference));
}
