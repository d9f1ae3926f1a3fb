#include "signal/wave_file_info.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

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
    explicit RiffFile(const std::string& name) : f_(std::fopen(name.c_str(), "rb")) {
        if (f_ != nullptr && std::fseek(f_, 0, SEEK_END) == 0) {
            const long size = std::ftell(f_);
            fileSize_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        }
    }
    ~RiffFile() {
        if (f_ != nullptr)
            std::fclose(f_);
    }
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    bool IsOpen() const { return f_ != nullptr; }
    std::uint64_t Size() const { return fileSize_; }

    bool ReadAt(std::uint64_t offset, void* out, size_t n) {
        if (offset + n > fileSize_ || std::fseek(f_, static_cast<long>(offset), SEEK_SET) != 0)
            return false;
        return std::fread(out, 1, n, f_) == n;
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
    std::FILE* f_;
    std::uint64_t fileSize_ = 0;
};

} // namespace

void ReadWaveFileInfo(const std::string& fileName, WaveFileInfo& info) {
    info.valid = false;
    if (fileName.empty())
        return;
    RiffFile file(fileName);
    if (!file.IsOpen())
        return;
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
    // A file without channels has no frames to count.
    if (formatTag != 1 || bits != 16 || channels == 0)
        return;

    const std::uint64_t afterFmt = fmtAt + fmtSize + (fmtSize & 1);
    std::uint64_t dataAt = 0, dataSize = 0;
    if (!file.FindChunk("data", afterFmt, riffEnd, dataAt, dataSize))
        return;
    info.sampleRate = rate;
    info.channels = channels;
    info.frames = static_cast<unsigned>(dataSize / (channels * 2u));
    info.dataOffset = static_cast<unsigned>(dataAt);
    info.valid = true;
}
