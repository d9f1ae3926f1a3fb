#pragma once

// A private ALSA configuration with devices that need no sound card:
// "testout" plays into out.raw and "testin" records from in.raw (both over
// ALSA's "null" device), and "default" leads to a device that does not
// exist. It is loaded through ALSA_CONFIG_PATH, after the system's own file,
// so it must be installed before the process makes its first ALSA call.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class AlsaTestConfig {
public:
    static const AlsaTestConfig& Install() {
        static const AlsaTestConfig config;
        return config;
    }

    std::string OutFile() const { return dir + "/out.raw"; }
    std::string InFile() const { return dir + "/in.raw"; }

    static std::vector<char> Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const void* data, size_t bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
    }

    std::string dir;

private:
    AlsaTestConfig() {
        char pattern[] = "/tmp/ondrafel-alsa-XXXXXX";
        dir = mkdtemp(pattern);
        const std::string file = dir + "/asound.conf";
        std::ofstream conf(file);
        conf << "pcm.testout { type file slave.pcm \"null\" file \"" << OutFile()
             << "\" format \"raw\" hint { show on description \"Test output\" } }\n"
             << "pcm.testin { type file slave.pcm \"null\" file \"/dev/null\" infile \"" << InFile()
             << "\" format \"raw\" hint { show on description \"Test input\" } }\n"
             << "pcm.!default { type plug slave.pcm \"nosuchpcm\" }\n";
        conf.close();
        Write(InFile(), "", 0);
        setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + file).c_str(), 1);
        static char removeAtExit[sizeof pattern];
        std::copy(dir.begin(), dir.end(), removeAtExit);
        std::atexit([] { std::filesystem::remove_all(removeAtExit); });
    }
};
