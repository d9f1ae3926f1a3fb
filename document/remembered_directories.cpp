#include "document/remembered_directories.h"

#include <array>

#include "document/file_paths.h"
#include "document/sound_file_references.h"

namespace {

std::array<std::string, 3>& Slots() {
    static std::array<std::string, 3> slots;
    return slots;
}

std::string ProgramDir() {
    std::string dir = ProgramDirectory();
    if (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

} // namespace

std::string RememberedDirectory(TDirectoryKind kind) {
    const auto& slots = Slots();
    const std::string& own = slots[static_cast<size_t>(kind)];
    if (!own.empty())
        return own;
    const std::string& document = slots[static_cast<size_t>(TDirectoryKind::Document)];
    if (!document.empty())
        return document;
    return ProgramDir();
}

void RememberDirectory(TDirectoryKind kind, const std::string& given) {
    // A relative directory would be taken again from wherever the next
    // dialog happens to resolve it ("examples/examples/...").
    const std::string path = ODAbsolutePath(given);
    const auto slash = path.rfind('/');
    Slots()[static_cast<size_t>(kind)] = slash == std::string::npos ? "" : path.substr(0, slash);
}

void ForgetDirectories() {
    Slots() = {};
}
