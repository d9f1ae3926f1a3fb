#include "signal/wave_file_info.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A minimal RIFF walker: chunks are an id, a little-endian size and the
// data, padded to an even length. Sizes are trusted only as far as the file
// and the enclosing chunk reach.

namespace {

std::uint32_t Le32(const unsigned char* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
std::uint16_t Le16(const unsigned char* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

class RiffFile {
public:
    // Looks before it opens and again at what it opened (the name may have
    // been given to something else in between); O_NONBLOCK keeps even that
    // open from waiting for a FIFO's writer.
    explicit RiffFile(const std::string& name) {
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) {
            error_ = errno;
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            special_ = true;
            return;
        }
        fd_ = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            special_ = true;
            ::close(fd_);
            fd_ = -1;
            return;
        }
        fileSize_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    ~RiffFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool IsSpecial() const { return special_; }
    int Error() const { return error_; }
    std::uint64_t Size() const { return fileSize_; }

    bool ReadAt(std::uint64_t offset, void* out, size_t n) {
        if (offset + n > fileSize_)
            return false;
        auto* p = static_cast<unsigned char*>(out);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            p += got;
            n -= static_cast<size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

    // Looks for chunk `id` among the sub-chunks in [from, end). On success
    // gives the offset of its data and its size, cut to what exists.
    bool FindChunk(const char* id, std::uint64_t from, std::uint64_t end, std::uint64_t& dataAt,
                   std::uint64_t& size) {
        std::uint64_t at = from;
        unsigned char header[8];
        while (at + 8 <= end && ReadAt(at, header, 8)) {
            const std::uint64_t declared = Le32(header + 4);
            if (std::memcmp(header, id, 4) == 0) {
                dataAt = at + 8;
                size = std::min(declared, end - dataAt);
                return true;
            }
            at += 8 + declared + (declared & 1);
        }
        return false;
    }

private:
    int fd_ = -1;
    int error_ = 0;
    bool special_ = false;
    std::uint64_t fileSize_ = 0;
};

} // namespace

void ReadWaveFileInfo(const std::string& fileName, WaveFileInfo& info) {
    info.valid = false;
    info.systemError = 0;
    info.problem = WaveFileProblem::NoName;
    if (fileName.empty())
        return;
    RiffFile file(fileName);
    if (!file.IsOpen()) {
        info.problem =
            file.IsSpecial() ? WaveFileProblem::NotARegularFile : WaveFileProblem::CannotOpen;
        info.systemError = file.Error();
        return;
    }
    info.problem = WaveFileProblem::NotPcm16Wave;
    unsigned char riff[12];
    if (!file.ReadAt(0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return;
    const std::uint64_t riffEnd =
        std::min<std::uint64_t>(8 + std::uint64_t{Le32(riff + 4)}, file.Size());

    std::uint64_t fmtAt = 0, fmtSize = 0;
    if (!file.FindChunk("fmt ", 12, riffEnd, fmtAt, fmtSize) || fmtSize < 16)
        return;
    unsigned char fmt[16];
    if (!file.ReadAt(fmtAt, fmt, 16))
        return;
    const std::uint16_t formatTag = Le16(fmt);
    const std::uint16_t channels = Le16(fmt + 2);
    const std::uint32_t rate = Le32(fmt + 4);
    const std::uint16_t bits = Le16(fmt + 14);
    if (formatTag != 1 || bits != 16)
        return;
    // A file without channels has no frames to count.
    if (channels == 0 || channels > WaveFileMaxChannels) {
        info.channels = channels;
        info.problem = WaveFileProblem::BadChannelCount;
        return;
    }

    const std::uint64_t afterFmt = fmtAt + fmtSize + (fmtSize & 1);
    std::uint64_t dataAt = 0, dataSize = 0;
    if (!file.FindChunk("data", afterFmt, riffEnd, dataAt, dataSize))
        return;
    info.sampleRate = rate;
    info.channels = channels;
    info.frames = static_cast<unsigned>(dataSize / (channels * 2u));
    info.dataOffset = static_cast<unsigned>(dataAt);
    info.problem = WaveFileProblem::None;
    info.valid = true;
}

std::string WaveFileProblemText(const WaveFileInfo& info) {
    switch (info.problem) {
    case WaveFileProblem::None:
        return "";
    case WaveFileProblem::NoName:
        return "no file name";
    case WaveFileProblem::CannotOpen:
        return std::strerror(info.systemError);
    case WaveFileProblem::NotARegularFile:
        return "not a regular file";
    case WaveFileProblem::NotPcm16Wave:
        return "not a 16-bit PCM WAV file";
    case WaveFileProblem::BadChannelCount:
        return "a WAV file with " + std::to_string(info.channels) + " channels (at most " +
               std::to_string(WaveFileMaxChannels) + " can be read)";
    }
    return "";
}
