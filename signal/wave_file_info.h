#pragma once

#include <string>

// Why a file did not probe as a WAV file the program can read.
enum class WaveFileProblem {
    None,
    NoName,
    // The file could not be looked at or opened; WaveFileInfo::systemError
    // holds the system's error number.
    CannotOpen,
    // A directory, FIFO, device or socket. A FIFO would block the open and
    // every read until some other program writes to it, and a device may
    // never end, so only regular files are opened at all.
    NotARegularFile,
    // Not RIFF/WAVE, no "fmt " chunk, a format other than 16-bit integer
    // PCM, or no "data" chunk after the format.
    NotPcm16Wave,
    // No channels, or more than WaveFileMaxChannels.
    BadChannelCount,
};

// The most channels a file may have. The program plays mono and stereo; the
// sound input plays the first two channels of a file with more. Up to eight
// (7.1, the largest layout in common use) are accepted so that such
// recordings still play. Larger counts are no real recording, and the
// readers buffer whole frames per half buffer: with more channels than
// samples in a half, not one frame fits and playback never moves on.
inline constexpr int WaveFileMaxChannels = 8;

// What a WAV file holds, as far as the program can read it: 16-bit integer
// PCM with 1 to WaveFileMaxChannels channels.
struct WaveFileInfo {
    bool valid = false;
    double sampleRate = 0.0;
    int channels = 0;
    unsigned frames = 0;     // whole frames in the data chunk
    unsigned dataOffset = 0; // byte offset of the first sample
    WaveFileProblem problem = WaveFileProblem::None;
    int systemError = 0; // with CannotOpen
};

// Probes a file: a regular file, RIFF/WAVE with a "fmt " chunk of format 1
// at 16 bits and a "data" chunk after it. Never throws and never blocks on a
// special file; failure is `valid` false with `problem` saying why. A data
// chunk that claims more bytes than the file holds counts only what is
// there.
void ReadWaveFileInfo(const std::string& fileName, WaveFileInfo& info);

// A short text for the user saying why the probe refused the file ("" for a
// valid one): the system's text for CannotOpen, otherwise the program's own.
std::string WaveFileProblemText(const WaveFileInfo& info);
