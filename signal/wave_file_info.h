#pragma once

#include <string>

// What a WAV file holds, as far as the program can read it: 16-bit integer
// PCM with any number of channels.
struct WaveFileInfo {
    bool valid = false;
    double sampleRate = 0.0;
    int channels = 0;
    unsigned frames = 0;     // whole frames in the data chunk
    unsigned dataOffset = 0; // byte offset of the first sample
};

// Probes a file: RIFF/WAVE with a "fmt " chunk of format 1 at 16 bits and a
// "data" chunk after it. Never throws; failure is `valid` false. A data chunk
// that claims more bytes than the file holds counts only what is there.
void ReadWaveFileInfo(const std::string& fileName, WaveFileInfo& info);
