#include "document/file_paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ODAbsolutePath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(path), error);
    if (error)
        return path;
    std::string normal = absolute.lexically_normal().string();
    // "dir/" names the same directory as "dir"; keep the root's slash.
    if (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::string ODCanonicalPath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(fs::path(ODAbsolutePath(path)), error);
    if (error)
        return ODAbsolutePath(path);
    return canonical.string();
}
