#pragma once

// Small pieces the engine tests share: a source pipe whose block the test
// sets, a message box that records what it was asked to show, WAV files
// made on the spot, and a private temporary folder.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "framework/message_box.h"
#include "signal/pipe.h"

class TestSource : public MGSignalProcessor {
public:
    explicit TestSource(MGDynSigContext* context, int outlets = 1)
        : MGSignalProcessor(context, 0, outlets), outs(static_cast<size_t>(outlets)) {
        for (int k = 0; k < outlets; ++k)
            SetOutletSignal(k, &outs[static_cast<size_t>(k)]);
    }
    void Process() override { ++blocks; }
    std::vector<MGSignal> outs;
    int blocks = 0;
};

class RecordingMessageBox : public TMessageBox {
public:
    RecordingMessageBox() { previous_ = SetMessages(this); }
    ~RecordingMessageBox() override { SetMessages(previous_); }
    void Show(const std::string& text, const std::string& caption, TMessageIcon) override {
        shown.push_back(caption + ": " + text);
    }
    std::vector<std::string> shown;

private:
    TMessageBox* previous_;
};

class TempDir {
public:
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("ondrafel_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

// A 16-bit PCM WAV file with the given interleaved samples.
inline void WriteWav(const std::string& path, int channels, int rate,
                     const std::vector<std::int16_t>& samples) {
    auto put16 = [](std::vector<unsigned char>& b, unsigned v) {
        b.push_back(v & 0xFF);
        b.push_back((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::vector<unsigned char>& b, std::uint32_t v) {
        put16(b, v & 0xFFFF);
        put16(b, v >> 16);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<unsigned char> b = {'R', 'I', 'F', 'F'};
    put32(b, 36 + dataBytes);
    for (char c : std::string("WAVEfmt "))
        b.push_back(static_cast<unsigned char>(c));
    put32(b, 16);
    put16(b, 1);
    put16(b, static_cast<unsigned>(channels));
    put32(b, static_cast<std::uint32_t>(rate));
    put32(b, static_cast<std::uint32_t>(rate * channels * 2));
    put16(b, static_cast<unsigned>(channels * 2));
    put16(b, 16);
    for (char c : std::string("data"))
        b.push_back(static_cast<unsigned char>(c));
    put32(b, dataBytes);
    for (std::int16_t s : samples)
        put16(b, static_cast<std::uint16_t>(s));
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}
