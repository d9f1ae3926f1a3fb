#pragma once

// Replacing a file whole. The new content goes into a hidden temporary file
// beside the target, ".NAME.saving<pid>_<n>", which is flushed to the disk
// and then renamed over the target: a crash, a kill or a full disk at any
// moment leaves either the old file or the new one, never a mixture and
// never a truncated file under the target's name. The previous version can
// be kept as "NAME.bak"; it is linked (or copied) to a temporary name first
// and renamed over the old backup, so some backup exists at every moment.
//
// A process that is killed while it writes leaves its temporary behind. The
// next replacement of the same file removes those temporaries whose process
// no longer runs; a temporary of a live process (another instance that is
// saving right now) is left alone.
//
// A symbolic link is followed: the file it points to is replaced and the
// link stays. A target that exists but is not a regular file (a device, a
// FIFO, a directory) is refused rather than replaced.
//
// One object is used by one thread.

#include <string>
#include <string_view>

class VXAtomicFile {
public:
    // Resolves links, removes stale temporaries of the target and creates
    // the temporary. IsOpen() tells whether that worked.
    explicit VXAtomicFile(const std::string& target);
    // Removes the temporary unless it was committed.
    ~VXAtomicFile();
    VXAtomicFile(const VXAtomicFile&) = delete;
    VXAtomicFile& operator=(const VXAtomicFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The file that will be replaced, links resolved.
    const std::string& TargetPath() const { return target_; }
    // The temporary; it may also be written by path, through a stream of the
    // caller's own, before Commit.
    const std::string& TemporaryPath() const { return temporary_; }
    int Descriptor() const { return fd_; }

    // Appends `data` to the temporary through Descriptor(). False on failure.
    bool Write(std::string_view data);

    // Flushes the temporary to the disk, keeps the target's present content
    // as "NAME.bak" when asked to (a backup that cannot be made does not
    // stop the save), and renames the temporary over the target. False on
    // failure: the temporary is gone and the target untouched.
    bool Commit(bool keepBackup = false);

    // Removes the temporary; the target stays as it was.
    void Abandon();

    // The system's error number of the first failure; 0 when none, and also
    // for a target that is not a regular file (see ErrorText).
    int Error() const { return error_; }
    // Why the first failure happened, for a message: the system's error text
    // ("No space left on device"), or "not a regular file"; empty when none.
    const std::string& ErrorText() const { return errorText_; }

    // Removes the temporaries of `target` (as given, links not resolved)
    // that no running process owns. Returns how many were removed.
    static int RemoveStaleTemporaries(const std::string& target);

private:
    void Fail(int error);
    void Fail(const std::string& text);

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    int error_ = 0;
    std::string errorText_;
};
