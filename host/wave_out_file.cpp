#include "host/wave_out_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Put16(unsigned char* b, unsigned v) {
    b[0] = v & 0xFF;
    b[1] = (v >> 8) & 0xFF;
}
void Put32(unsigned char* b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b + 2, v >> 16);
}
std::uint32_t Le32(const unsigned char* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
std::uint16_t Le16(const unsigned char* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

// A write that makes no progress without saying why is an I/O error.
int WriteErrno(ssize_t result) {
    return result < 0 && errno != 0 ? errno : EIO;
}

bool WriteAll(int fd, const void* data, size_t n, off_t at, int& error) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, n, at);
        if (w <= 0) {
            error = WriteErrno(w);
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
        at += w;
    }
    return true;
}

size_t ReadAll(int fd, void* data, size_t n, off_t at) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, p + done, n - done, at + static_cast<off_t>(done));
        if (r <= 0)
            break;
        done += static_cast<size_t>(r);
    }
    return done;
}

} // namespace

ODWaveOutFile::ODWaveOutFile(const std::string& p, int rate, int ch, bool truncate)
    : path(p), sampleRate(rate), channels(static_cast<std::int16_t>(ch)) {
    if (!truncate) {
        file = std::fopen(path.c_str(), "rb+");
        error_ = file == nullptr ? errno : 0;
        if (file != nullptr) {
            if (!OpenExisting())
                Close();
            return;
        }
    }
    CreateEmpty();
}

ODWaveOutFile::~ODWaveOutFile() {
    if (file != nullptr) {
        Finalise();
        Close();
    }
}

void ODWaveOutFile::Close() {
    if (file != nullptr)
        std::fclose(file);
    file = nullptr;
}

bool ODWaveOutFile::CreateEmpty() {
    position = length = 0;
    file = std::fopen(path.c_str(), "wb+");
    if (file == nullptr) {
        error_ = errno;
        return false;
    }
    error_ = 0;
    std::setvbuf(file, nullptr, _IONBF, 0);
    unsigned char h[44];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, static_cast<unsigned>(channels));
    Put32(h + 24, static_cast<std::uint32_t>(sampleRate));
    Put32(h + 28, static_cast<std::uint32_t>(sampleRate * channels * 2));
    Put16(h + 32, static_cast<unsigned>(channels * 2));
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, 0);
    riffSizePos = 4;
    dataSizePos = 40;
    dataStartPos = 44;
    if (!WriteAll(fileno(file), h, sizeof h, 0, error_)) {
        Close();
        return false;
    }
    return true;
}

// Walks the chunks of an existing file. Sizes are trusted only as far as the
// file reaches, so a lying header can neither send a read past the end nor
// loop forever (every step moves forward by at least 8 bytes).
bool ODWaveOutFile::OpenExisting() {
    std::setvbuf(file, nullptr, _IONBF, 0);
    const int fd = fileno(file);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    const off_t fileSize = st.st_size;
    unsigned char riff[12];
    if (ReadAll(fd, riff, 12, 0) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    riffSizePos = 4;

    off_t at = 12;
    unsigned char header[8];
    auto nextChunk = [&](const char* id, off_t& dataAt, std::uint32_t& size) {
        while (at + 8 <= fileSize && ReadAll(fd, header, 8, at) == 8) {
            size = Le32(header + 4);
            dataAt = at + 8;
            at = dataAt + static_cast<off_t>(size) + (size & 1);
            if (std::memcmp(header, id, 4) == 0)
                return true;
        }
        return false;
    };

    off_t fmtAt = 0, dataAt = 0;
    std::uint32_t fmtSize = 0, dataSize = 0;
    if (!nextChunk("fmt ", fmtAt, fmtSize) || fmtSize != 16)
        return false;
    unsigned char fmt[16];
    if (ReadAll(fd, fmt, 16, fmtAt) != 16)
        return false;
    const int blockAlign = channels * 2;
    if (Le16(fmt) != 1 || Le16(fmt + 2) != static_cast<unsigned>(channels) ||
        Le32(fmt + 4) != static_cast<std::uint32_t>(sampleRate) ||
        Le32(fmt + 8) != static_cast<std::uint32_t>(sampleRate * blockAlign) ||
        Le16(fmt + 12) != blockAlign || Le16(fmt + 14) != 16)
        return false;
    if (!nextChunk("data", dataAt, dataSize))
        return false;
    dataSizePos = static_cast<long>(dataAt - 4);
    dataStartPos = static_cast<long>(dataAt);
    const off_t present = std::max<off_t>(0, fileSize - dataAt);
    length = static_cast<int>(std::min<off_t>(dataSize, present) / blockAlign);
    position = 0;
    return true;
}

void ODWaveOutFile::Seek(int frame) {
    position = std::clamp(frame, 0, length);
}

void ODWaveOutFile::Restart() {
    if (file == nullptr || length == 0)
        return;
    Close();
    CreateEmpty();
}

int ODWaveOutFile::Read(std::int16_t* buffer, int frames) {
    const int n = std::max(0, std::min(length - position, frames));
    const size_t want = static_cast<size_t>(n) * FrameBytes();
    const off_t at = dataStartPos + static_cast<off_t>(position) * FrameBytes();
    // Samples are little-endian on disk, as in memory on this platform.
    const size_t got = ReadAll(fileno(file), buffer, want, at);
    const int read = static_cast<int>(got / FrameBytes());
    std::fill(buffer + static_cast<size_t>(read) * channels,
              buffer + static_cast<size_t>(std::max(frames, 0)) * channels, std::int16_t{0});
    position += read;
    return read;
}

int ODWaveOutFile::Write(const std::int16_t* buffer, int frames) {
    if (frames <= 0)
        return 0;
    const int fd = fileno(file);
    const off_t at = dataStartPos + static_cast<off_t>(position) * FrameBytes();
    const size_t bytes = static_cast<size_t>(frames) * FrameBytes();
    const char* p = reinterpret_cast<const char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        const ssize_t w = ::pwrite(fd, p + done, bytes - done, at + static_cast<off_t>(done));
        if (w <= 0) {
            error_ = WriteErrno(w);
            break;
        }
        done += static_cast<size_t>(w);
    }
    const int written = static_cast<int>(done / FrameBytes());
    position += written;
    length = std::max(length, position);
    if (written < frames)
        failed_ = true;
    // Keep the header true to what is on disk after every chunk.
    Finalise();
    return written;
}

bool ODWaveOutFile::Finalise() {
    const int fd = fileno(file);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error_ = errno;
        failed_ = true;
        return false;
    }
    unsigned char riffLen[4], dataLen[4];
    Put32(riffLen, static_cast<std::uint32_t>(std::max<off_t>(st.st_size - 8, 0)));
    Put32(dataLen, static_cast<std::uint32_t>(length) * static_cast<std::uint32_t>(FrameBytes()));
    if (!WriteAll(fd, riffLen, 4, riffSizePos, error_) ||
        !WriteAll(fd, dataLen, 4, dataSizePos, error_)) {
        failed_ = true;
        return false;
    }
    return true;
}
