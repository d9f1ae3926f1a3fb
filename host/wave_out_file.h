#pragma once

// A 16-bit PCM WAV file opened in place: created new, or an existing file of
// exactly the requested format opened to append to, overwrite or play back.
//
// The header's two length fields are rewritten after every write, so a take
// that is cut short (the program dies, the disk fills) leaves a file that
// plays up to its last whole chunk. Writes use positioned I/O on an
// unbuffered stream: what Write() reports written has reached the system.

#include <cstdint>
#include <cstdio>
#include <string>

class ODWaveOutFile {
public:
    int position = 0; // current frame within the data
    int length = 0;   // frames in the data chunk
    std::string path;
    int sampleRate;
    std::int16_t channels;
    // Null when the file could not be opened or was rejected; every other
    // operation assumes it is open.
    std::FILE* file = nullptr;
    long riffSizePos = 0;
    long dataSizePos = 0;
    long dataStartPos = 0;

    // Opens `path` as a WAV file of this format, or creates it when it does
    // not exist or `truncate` is set. An existing file in another format is
    // never touched.
    ODWaveOutFile(const std::string& path, int sampleRate, int channels, bool truncate);
    ~ODWaveOutFile();
    ODWaveOutFile(const ODWaveOutFile&) = delete;
    ODWaveOutFile& operator=(const ODWaveOutFile&) = delete;

    bool IsOpen() const { return file != nullptr; }

    void Seek(int frame);

    // Empties the file (fresh header) when it holds data.
    void Restart();

    // Reads up to `frames` frames at the position; zero-fills the rest of the
    // request. Returns the frames read.
    int Read(std::int16_t* buffer, int frames);

    // Writes at the position. Returns the frames written: fewer than asked
    // when the system refused (disk full, I/O error), and Failed() is then set.
    int Write(const std::int16_t* buffer, int frames);

    // Brings both length fields up to date. False when they could not be written.
    bool Finalise();

    // A write or header update has failed since the file was opened.
    bool Failed() const { return failed_; }

    // The system's error number of the latest failure to open, create or
    // write the file (0 when none, or when an existing file was rejected for
    // its format), so that messages can give the system's reason.
    int ErrorNumber() const { return error_; }

private:
    int FrameBytes() const { return channels * 2; }
    bool CreateEmpty();
    bool OpenExisting();
    void Close();
    bool failed_ = false;
    int error_ = 0;
};
