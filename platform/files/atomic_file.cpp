#include "platform/files/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A temporary's name adds about 30 characters to the target's; a long
// target name is cut so that the temporary still fits the file system's
// 255-byte limit for names.
constexpr std::size_t kBaseKept = 200;

const char* const kNotRegularText = "not a regular file";

// The temporaries this process has on disk right now, by file name. The
// numbers in the names come from one counter, so a name is unique within
// the process whatever directory it is in. A temporary with this process's
// id that is not listed was left by an earlier process that had the same id.
std::mutex registryMutex;
std::set<std::string>& InUse() {
    static std::set<std::string> names;
    return names;
}
std::atomic<unsigned long> nextNumber{0};

void Register(const std::string& name) {
    std::lock_guard lock(registryMutex);
    InUse().insert(name);
}

void Unregister(const std::string& name) {
    std::lock_guard lock(registryMutex);
    InUse().erase(name);
}

bool Registered(const std::string& name) {
    std::lock_guard lock(registryMutex);
    return InUse().count(name) != 0;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "dir/" for "dir/name", "" for "name".
std::string DirectoryPrefix(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What every temporary name of `target` starts with.
std::string TemporaryPrefix(const std::string& target) {
    std::string prefix = ".";
    prefix.append(BaseName(target), 0, kBaseKept);
    prefix.append(".saving");
    return prefix;
}

std::string TemporaryName(const std::string& target, unsigned long number) {
    return TemporaryPrefix(target) + std::to_string(::getpid()) + "_" + std::to_string(number);
}

std::string ResolveLinks(const std::string& path) {
    std::string target = path;
    // As many hops as the system itself follows before giving up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0)
            return target;
        std::string link(buffer, static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : DirectoryOf(target) + "/" + link;
    }
    return target;
}

bool WriteAll(int fd, const char* p, std::size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies `from` into the new file `fd`; false with errno set.
bool CopyInto(const std::string& from, int fd) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(fd, buffer, static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    const int error = errno;
    ::close(in);
    errno = error;
    return ok && ::fsync(fd) == 0;
}

// Makes "target.bak" hold what `target` holds now. The old backup is
// replaced by a rename, never removed first.
void KeepBackup(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return;
    const std::string directory = DirectoryPrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName(target, nextNumber++);
        const std::string path = directory + name;
        Register(name);
        bool made = ::link(target.c_str(), path.c_str()) == 0;
        if (!made && errno == EEXIST) {
            Unregister(name);
            continue;
        }
        if (!made) {
            // A file system without hard links: a copy does as well.
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno == EEXIST) {
                Unregister(name);
                continue;
            }
            if (fd >= 0) {
                ::fchmod(fd, st.st_mode & 07777);
                made = CopyInto(target, fd);
                made = ::close(fd) == 0 && made;
            }
        }
        if (!made || ::rename(path.c_str(), (target + ".bak").c_str()) != 0)
            ::unlink(path.c_str());
        Unregister(name);
        return;
    }
}

// The owner, or failing that at least the group; false when neither may be
// kept (the file then belongs to whoever saves it).
bool KeepOwner(int fd, const struct stat& st) {
    return ::fchown(fd, st.st_uid, st.st_gid) == 0 ||
           ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) == 0;
}

void SyncDirectory(const std::string& target) {
    const int fd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The process id in a temporary's name after its prefix ("<pid>_<n>"), or
// 0 when the rest is not of that form.
pid_t PidOf(std::string_view rest) {
    const std::size_t underscore = rest.find('_');
    if (underscore == std::string_view::npos || underscore == 0 || underscore + 1 == rest.size())
        return 0;
    long pid = 0;
    const char* end = rest.data() + underscore;
    const auto [p, ec] = std::from_chars(rest.data(), end, pid);
    if (ec != std::errc() || p != end || pid <= 0 || pid > INT_MAX)
        return 0;
    for (const char c : rest.substr(underscore + 1))
        if (c < '0' || c > '9')
            return 0;
    return static_cast<pid_t>(pid);
}

bool Stale(const std::string& name, pid_t pid) {
    if (pid == ::getpid())
        return !Registered(name);
    // EPERM: the process runs, under another user.
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

VXAtomicFile::VXAtomicFile(const std::string& target) : target_(ResolveLinks(target)) {
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        Fail(errno);
        return;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        Fail(kNotRegularText);
        return;
    }
    RemoveStaleTemporaries(target_);

    const std::string directory = DirectoryPrefix(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName(target_, nextNumber++);
        Register(name);
        temporary_ = directory + name;
        fd_ = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            break;
        const int error = errno;
        Unregister(name);
        temporary_.clear();
        if (error != EEXIST) {
            Fail(error);
            return;
        }
    }
    if (fd_ < 0) {
        Fail(EEXIST);
        return;
    }
    if (exists) {
        // The replacement keeps the file's group and permissions (and its
        // owner, for a user who may give files away). Failing to is no
        // reason to refuse the save.
        KeepOwner(fd_, st);
        ::fchmod(fd_, st.st_mode & 07777);
    }
}

VXAtomicFile::~VXAtomicFile() {
    Abandon();
}

void VXAtomicFile::Fail(int error) {
    if (error_ == 0 && errorText_.empty()) {
        error_ = error;
        errorText_ = std::strerror(error);
    }
}

void VXAtomicFile::Fail(const std::string& text) {
    if (error_ == 0 && errorText_.empty())
        errorText_ = text;
}

bool VXAtomicFile::Write(std::string_view data) {
    if (fd_ < 0)
        return false;
    if (!WriteAll(fd_, data.data(), data.size())) {
        Fail(errno);
        return false;
    }
    return true;
}

bool VXAtomicFile::Commit(bool keepBackup) {
    if (fd_ < 0)
        return false;
    bool ok = true;
    if (::fsync(fd_) != 0) {
        Fail(errno);
        ok = false;
    }
    if (::close(fd_) != 0 && ok) {
        Fail(errno);
        ok = false;
    }
    fd_ = -1;
    if (ok && keepBackup)
        KeepBackup(target_);
    if (ok && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary_.c_str());
    } else {
        SyncDirectory(target_);
    }
    Unregister(BaseName(temporary_));
    temporary_.clear();
    return ok;
}

void VXAtomicFile::Abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        Unregister(BaseName(temporary_));
        temporary_.clear();
    }
}

int VXAtomicFile::RemoveStaleTemporaries(const std::string& target) {
    const std::string prefix = TemporaryPrefix(target);
    const std::string directory = DirectoryPrefix(target);
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const pid_t pid = PidOf(std::string_view(name).substr(prefix.size()));
        if (pid != 0 && Stale(name, pid) && ::unlink((directory + name).c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}
