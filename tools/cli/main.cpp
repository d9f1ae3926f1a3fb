// ondrafel-cli: the engine without a window. It loads documents through the
// same reader as the application (with a view that has no window), renders
// patterns, plays through the output stream, describes and re-saves
// documents, and lists devices and contraption types.
//
// Exit status: 0 on success, 1 when a document, a file or a device fails
// (the program's own message is on stderr), 2 for a usage error.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <unordered_map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document.h"
#include "document/headless_document_view.h"
#include "contraptions/contraption_types.h"
#include "framework/contraption_factory.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "host/pattern_render.h"
#include "host/sound_in.h"
#include "host/sound_out.h"
#include "host/wave_errors.h"
#include "platform/audio/null_audio.h"
#include "platform/settings/settings_store.h"
#include "signal/noise_seed.h"
#include "signal/pipe.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kMainUsage =
    "Usage: ondrafel-cli COMMAND [OPTIONS]\n"
    "\n"
    "Runs Ondrafel documents without a window.\n"
    "\n"
    "Commands:\n"
    "  render DOC.odh -o OUT.wav   render the document's pattern to a WAV file\n"
    "  play DOC.odh                play the document through an audio device\n"
    "  info DOC.odh                show tempo, contraptions, connections and the\n"
    "                              processing order\n"
    "  resave IN.odh OUT.odh       load a document and save it again\n"
    "  devices                     list the audio devices\n"
    "  types                       list the contraption types in menu order\n"
    "\n"
    "Run 'ondrafel-cli COMMAND --help' for the options of a command.\n"
    "Exit status: 0 success, 1 a document, file or device failed, 2 usage error.\n";

// Both commands that run the patch start the sound input's file the way
// its window's play button would: loading always leaves it stopped, and
// without a window nothing else could start it.
const std::string kInputFileHelp =
    "  --play-input          play the SoundIn contraption's input file, even when\n"
    "                        the document has \"Use Input File\" off; fails when\n"
    "                        the file cannot be played\n"
    "  --no-play-input       keep the input file silent\n"
    "Without either, the input file plays from its start when the document has\n"
    "\"Use Input File\" on (as if its play button were pressed: a loaded document\n"
    "never plays it by itself); a file that cannot be played is reported on\n"
    "stderr and stays silent.\n";

const std::string kRenderUsage =
    std::string(
        "Usage: ondrafel-cli render DOC.odh -o OUT.wav [--preroll BARS] [--bars BARS] [--seed N]\n"
        "                          [--play-input | --no-play-input]\n"
        "\n"
        "Renders the document offline, as \"Save Pattern as Wave File...\" does: the\n"
        "clock runs for BARS bars of the document's tempo and the sound output's two\n"
        "inlets are written to OUT.wav (16-bit stereo, 44100 Hz). A document without\n"
        "a SoundOut contraption has nothing to render and fails.\n"
        "\n"
        "  -o, --output OUT.wav  the file to write (replaced if it exists); naming the\n"
        "                        document itself, by any path or link, is a usage\n"
        "                        error (exit 2)\n"
        "  --preroll BARS        bars played before the recording starts, 0 to 32\n"
        "                        (default 0); the recording then starts on a bar line\n"
        "  --bars BARS           bars recorded, 1 to 32 (default 1)\n"
        "  --seed N              seed the noise sources with N, so that two renders\n"
        "                        give identical files\n") +
    kInputFileHelp;

const std::string kPlayUsage =
    std::string("Usage: ondrafel-cli play DOC.odh [--device N] [--seconds S] [--clock]\n"
                "                        [--play-input | --no-play-input]\n"
                "\n"
                "Plays the document through the output stream until Ctrl-C or S seconds,\n"
                "printing the processing load and the underruns once a second. When the\n"
                "document's SoundOut records, the take ends when playing ends and the\n"
                "length of its file is shown; a recording file that cannot be used is\n"
                "reported with the reason, and a take that cannot be written fails\n"
                "(exit 1).\n"
                "\n"
                "  --device N            the output device's number in 'ondrafel-cli devices'\n"
                "                        (default: the first)\n"
                "  --seconds S           stop after S seconds (more than 0, at most 10000000)\n"
                "  --clock               start the tempo clock\n") +
    kInputFileHelp;

const char* const kInfoUsage =
    "Usage: ondrafel-cli info DOC.odh\n"
    "\n"
    "Shows the document's tempo, its contraptions with their inlets and outlets,\n"
    "its connections, the order in which the engine processes the patch and the\n"
    "SoundIn contraption's input file, with the reason when it cannot be played.\n"
    "The sound files the document names are not created or changed.\n";

const char* const kResaveUsage = "Usage: ondrafel-cli resave IN.odh OUT.odh\n"
                                 "\n"
                                 "Loads IN.odh and saves it as OUT.odh. The sound files the "
                                 "document\nnames are not created or changed.\n";

const char* const kDevicesUsage = "Usage: ondrafel-cli devices\n"
                                  "\n"
                                  "Lists the usable audio output and input devices with the "
                                  "numbers that\n'play --device' takes.\n";

const char* const kTypesUsage = "Usage: ondrafel-cli types\n"
                                "\n"
                                "Lists the contraption types in the order of the patcher's "
                                "\"New\" menu,\nwith their menu group.\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The command's arguments: positional ones in order, options by name.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
    bool help = false;
};

// `valued` lists the options that take a value, `flagged` those that do
// not; aliases map a short option to its long name.
Arguments Parse(int argc, char** argv, const std::vector<std::string>& valued,
                const std::vector<std::string>& flagged,
                const std::map<std::string, std::string>& aliases = {}) {
    Arguments args;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            args.help = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            if (auto alias = aliases.find(arg); alias != aliases.end())
                arg = alias->second;
            std::string value;
            bool hasValue = false;
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasValue = true;
            }
            if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
                if (!hasValue) {
                    if (i + 1 >= argc)
                        throw UsageError("option " + arg + " needs a value");
                    value = argv[++i];
                }
                args.values[arg] = value;
            } else if (std::find(flagged.begin(), flagged.end(), arg) != flagged.end() &&
                       !hasValue) {
                args.flags[arg] = true;
            } else {
                throw UsageError("unknown option " + arg);
            }
            continue;
        }
        args.positional.push_back(arg);
    }
    return args;
}

long ParseInteger(const std::string& text, const std::string& option, long lo, long hi) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value < lo || value > hi)
        throw UsageError(option + " takes a whole number from " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ", not \"" + text + "\"");
    return value;
}

constexpr double kMaxSeconds = 1e7;

double ParseSeconds(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !(value > 0.0) || value > kMaxSeconds)
        throw UsageError("--seconds must be more than 0 and at most 10000000 (seconds), not \"" +
                         text + "\"");
    return value;
}

// How the sound input's file is treated once the document is loaded.
enum class InputPlayback { AsTheDocumentSays, Always, Never };

InputPlayback InputPlaybackOption(const Arguments& args) {
    const bool on = args.flags.count("--play-input") != 0;
    const bool off = args.flags.count("--no-play-input") != 0;
    if (on && off)
        throw UsageError("--play-input and --no-play-input exclude each other");
    return on    ? InputPlayback::Always
           : off ? InputPlayback::Never
                 : InputPlayback::AsTheDocumentSays;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The engine and an empty patch, without a window.
class Session {
public:
    // `readOnly`: the document is only described or saved again, so the
    // recording file it names must not be created or opened.
    explicit Session(VXAudioSystem& audio, bool readOnly = false)
        : engine(&settings, audio, &FactoryFor(factory)), view(engine), document(view, engine) {
        engine.soundOut->openFiles = !readOnly;
        document.New();
        document.ClearModified();
    }

    // False after the document's own message when it could not be loaded
    // whole.
    bool Load(const std::string& path) {
        if (!document.Open(path))
            return false;
        switch (document.LastLoadStatus()) {
        case ODLoadStatus::Loaded:
            return true;
        case ODLoadStatus::Incomplete:
            std::cerr << "ondrafel-cli: " << path << " was not used because it is incomplete\n";
            return false;
        default:
            return false;
        }
    }

    // False after saying so when the document has no sound output: there is
    // nothing to hear then. `what` is the command's verb.
    bool RequireSoundOut(const char* what) const {
        if (engine.SoundOutPresent())
            return true;
        ShowMessage(
            std::string("The document has no SoundOut contraption, so there is nothing to ") +
                what + ".\nAdd one in Ondrafel and connect the sound to its inlets.",
            "Ondrafel", TMessageIcon::Error);
        return false;
    }

    // Starts the sound input's file as its play button would. False after
    // the message when it was asked for and cannot play.
    bool StartInputFile(InputPlayback mode) {
        if (mode == InputPlayback::Never)
            return true;
        ODSoundIn& in = *engine.soundIn;
        const bool always = mode == InputPlayback::Always;
        if (!engine.SoundInPresent()) {
            if (always)
                std::cerr << "ondrafel-cli: --play-input: the document has no SoundIn "
                             "contraption\n";
            return !always;
        }
        if (!always && in.useADC.Value())
            return true;
        const std::string file = in.inputFile.Value();
        if (file.empty()) {
            if (always)
                std::cerr << "ondrafel-cli: --play-input: the SoundIn contraption has no input "
                             "file\n";
            return !always;
        }
        if (!in.fileIsGood.Value()) {
            std::cerr << "ondrafel-cli: the SoundIn input file " << Quoted(file)
                      << " cannot be played: " << in.FileProblem()
                      << (always ? "\n" : "; the input stays silent\n");
            return !always;
        }
        TGraphLock lock(engine);
        in.useADC.SetValue(false);
        in.active.SetValue(true);
        return true;
    }

    // Says so when the document's recording file cannot be used.
    void ReportRecordingFile() const {
        const ODSoundOut& out = *engine.soundOut;
        const std::string file = out.outputFile.Value();
        if (engine.SoundOutPresent() && !file.empty() &&
            out.recordState.Value() == ODSoundOut::NoFile)
            std::cerr << "ondrafel-cli: the SoundOut recording file " << Quoted(file)
                      << " cannot be used: " << out.FileProblem() << '\n';
    }

    // The contraption whose processor `pipe` is, or null.
    const TQuorlingContraption* ContraptionOf(const MGDynSigPipe* pipe) const {
        for (const TQuorlingContraption* c : factory.contraptions)
            if (c->processor == pipe)
                return c;
        return nullptr;
    }

    TContraptionFactory factory;
    TMemorySettingsStore settings;
    TAudioEngineModule engine;
    ODHeadlessDocumentView view;
    ODDocument document;

private:
    static TContraptionFactory& FactoryFor(TContraptionFactory& factory) {
        RegisterContraptionMakers(factory);
        InstallHeadlessWindows(factory);
        return factory;
    }
};

VXAudioSystem& OfflineAudio() {
    // Offline commands never open a device; the null system spares them
    // looking at the sound hardware.
    static VXNullAudioSystem audio;
    return audio;
}

void RequirePositional(const Arguments& args, std::size_t count, const char* what) {
    if (args.positional.size() < count)
        throw UsageError(std::string("missing ") + what);
    if (args.positional.size() > count)
        throw UsageError("unexpected argument \"" + args.positional[count] + "\"");
}

int Render(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {"--output", "--preroll", "--bars", "--seed"},
                                 {"--play-input", "--no-play-input"}, {{"-o", "--output"}});
    if (args.help) {
        std::cout << kRenderUsage;
        return kOk;
    }
    RequirePositional(args, 1, "document");
    const auto output = args.values.find("--output");
    if (output == args.values.end() || output->second.empty())
        throw UsageError("render needs an output file (-o OUT.wav)");
    int preRoll = 0, bars = 1;
    if (auto it = args.values.find("--preroll"); it != args.values.end())
        preRoll = static_cast<int>(ParseInteger(it->second, "--preroll", 0, 32));
    if (auto it = args.values.find("--bars"); it != args.values.end())
        bars = static_cast<int>(ParseInteger(it->second, "--bars", 1, 32));
    if (auto it = args.values.find("--seed"); it != args.values.end())
        MGSetNoiseSeed(static_cast<unsigned>(ParseInteger(it->second, "--seed", 0, 4294967295L)));
    const InputPlayback input = InputPlaybackOption(args);
    // Rendering over the document would destroy it, whatever path or link
    // names it.
    struct stat docStat {};
    struct stat outStat {};
    if (::stat(args.positional[0].c_str(), &docStat) == 0 &&
        ::stat(output->second.c_str(), &outStat) == 0 && docStat.st_dev == outStat.st_dev &&
        docStat.st_ino == outStat.st_ino)
        throw UsageError("the output file " + Quoted(output->second) +
                         " is the document itself; rendering would overwrite it");

    Session session(OfflineAudio());
    if (!session.Load(args.positional[0]))
        return kFailed;
    if (!session.RequireSoundOut("render"))
        return kFailed;
    if (!session.StartInputFile(input))
        return kFailed;

    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    constexpr int kWidth = 40;
    int shown = -1;
    const auto progress = [&](double done) {
        if (!showProgress)
            return true;
        const int cells = static_cast<int>(done * kWidth);
        if (cells != shown) {
            shown = cells;
            std::cerr << "\r[" << std::string(static_cast<size_t>(cells), '#')
                      << std::string(static_cast<size_t>(kWidth - cells), ' ') << "] "
                      << static_cast<int>(done * 100.0) << "%" << std::flush;
        }
        return true;
    };
    const ODRenderPlan plan = PlanPatternRender(session.engine, preRoll, bars);
    std::string reason;
    const ODRenderStatus status =
        RenderPattern(session.engine, output->second, preRoll, bars, progress, &reason);
    if (showProgress)
        std::cerr << '\n';
    if (status != ODRenderStatus::Ok) {
        ShowMessage(ODRenderErrorText(output->second, reason), "Ondrafel", TMessageIcon::Error);
        return kFailed;
    }
    std::printf("%s: %ld frames (%.3f s)\n", output->second.c_str(), plan.recordFrames,
                static_cast<double>(plan.recordFrames) / MGSampleRate);
    return kOk;
}

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) {
    stopRequested = true;
}

int Play(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {"--device", "--seconds"},
                                 {"--clock", "--play-input", "--no-play-input"});
    if (args.help) {
        std::cout << kPlayUsage;
        return kOk;
    }
    RequirePositional(args, 1, "document");
    std::optional<double> seconds;
    if (auto it = args.values.find("--seconds"); it != args.values.end())
        seconds = ParseSeconds(it->second);
    const InputPlayback input = InputPlaybackOption(args);

    Session session(VXDefaultAudioSystem());
    VXWaveOutStream& stream = session.engine.OutStream;
    if (auto it = args.values.find("--device"); it != args.values.end()) {
        if (stream.DeviceCount() == 0)
            throw UsageError("there is no output device");
        stream.SetDevice(
            static_cast<int>(ParseInteger(it->second, "--device", 0, stream.DeviceCount() - 1)));
    }
    if (!session.Load(args.positional[0]))
        return kFailed;
    if (!session.RequireSoundOut("play"))
        return kFailed;
    if (!session.StartInputFile(input))
        return kFailed;
    session.ReportRecordingFile();
    ODSoundOut& soundOut = *session.engine.soundOut;
    const bool records = soundOut.action.Value() == ODSoundOut::Record &&
                         soundOut.recordState.Value() != ODSoundOut::NoFile;

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    const std::string deviceName = stream.DeviceCount() > 0
                                       ? stream.DeviceNames()[static_cast<size_t>(stream.Device())]
                                       : std::string("?");
    try {
        session.engine.context.clockRunning = args.flags.count("--clock") != 0;
        session.engine.StartAudioOut();
        std::cout << "Playing " << args.positional[0] << " on \"" << deviceName
                  << "\"; Ctrl-C stops." << std::endl;
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        Clock::time_point nextReport = start + std::chrono::seconds(1);
        while (!stopRequested && !stream.DeviceFailed()) {
            const Clock::time_point now = Clock::now();
            if (seconds && now - start >= std::chrono::duration<double>(*seconds))
                break;
            if (now >= nextReport) {
                nextReport += std::chrono::seconds(1);
                char line[80];
                std::snprintf(line, sizeof line, "CPU load: %3.2f%%  underruns: %d",
                              stream.Load() * 100.0, stream.Underruns());
                std::cout << line << std::endl;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // The stream fades out and plays what is queued before it returns.
        session.engine.StopAudioOut();
    } catch (const EWaveOutError& e) {
        // The device's own words, then what to do about it.
        ShowMessage(std::string(e.what()) +
                        "\nChoose another device with --device N ('ondrafel-cli devices' lists "
                        "them; \"No audio device\" plays without hardware).",
                    "Ondrafel", TMessageIcon::Error);
        return kFailed;
    }
    std::cout << (stopRequested ? "Stopped." : "Done.") << std::endl;
    if (records) {
        // Output is stopped: what the take still holds goes to its file now.
        soundOut.EndTake();
        if (soundOut.writeFailed.exchange(false)) {
            const int error = soundOut.fileError.load();
            std::cerr << "ondrafel-cli: the recording stopped because the file "
                      << Quoted(soundOut.outputFile.Value()) << " could not be written"
                      << (error != 0 ? ": " + std::string(std::strerror(error)) : std::string())
                      << '\n';
            return kFailed;
        }
        if (soundOut.waveFile != nullptr)
            std::printf("Recorded to %s: %d frames (%.3f s)\n", soundOut.outputFile.Value(),
                        soundOut.waveFile->length,
                        static_cast<double>(soundOut.waveFile->length) / MGSampleRate);
    }
    return kOk;
}

int Info(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {}, {});
    if (args.help) {
        std::cout << kInfoUsage;
        return kOk;
    }
    RequirePositional(args, 1, "document");
    Session session(OfflineAudio(), true);
    if (!session.Load(args.positional[0]))
        return kFailed;

    std::cout << "Tempo: " << session.view.Tempo() << " bpm\n";
    const auto nodes = session.view.PatcherNodes();
    std::cout << "Contraptions: " << nodes.size() << '\n';
    for (const ODPatcherNodeInfo& node : nodes)
        std::cout << "  " << node.contraption->name << " (" << node.contraption->maker->typeName
                  << "): " << node.contraption->processor->InletCount() << " in, "
                  << node.contraption->processor->OutletCount() << " out\n";
    const auto connections = session.view.PatcherConnections();
    std::cout << "Connections: " << connections.size() << '\n';
    for (const ODPatcherConnectionInfo& c : connections)
        std::cout << "  " << c.source->name << " outlet " << c.outlet << " -> " << c.target->name
                  << " inlet " << c.inlet << '\n';
    const auto& order = session.engine.context.updateList;
    std::cout << "Processing order:";
    if (order.empty())
        std::cout << " (nothing reaches the sound output)";
    std::cout << '\n';
    std::unordered_map<const MGDynSigPipe*, const TQuorlingContraption*> contraptionOf;
    for (const TQuorlingContraption* c : session.factory.contraptions)
        contraptionOf.emplace(c->processor, c);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto found = contraptionOf.find(order[i]);
        const TQuorlingContraption* c = found != contraptionOf.end() ? found->second : nullptr;
        std::cout << "  " << (i + 1) << ". "
                  << (c != nullptr ? c->name
                      : order[i] == static_cast<const MGDynSigPipe*>(session.engine.soundOut)
                          ? "(sound output)"
                          : "(engine)")
                  << '\n';
    }
    const ODSoundIn& in = *session.engine.soundIn;
    if (session.engine.SoundInPresent() && *in.inputFile.Value() != '\0') {
        std::cout << "SoundIn input file: " << in.inputFile.Value();
        if (!in.fileIsGood.Value())
            std::cout << " (cannot be played: " << in.FileProblem() << ')';
        else if (in.useADC.Value())
            std::cout << " (not used: the source is the sound card)";
        std::cout << '\n';
    }
    return kOk;
}

int Resave(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {}, {});
    if (args.help) {
        std::cout << kResaveUsage;
        return kOk;
    }
    RequirePositional(args, 2, "input and output documents");
    Session session(OfflineAudio(), true);
    if (!session.Load(args.positional[0]))
        return kFailed;
    return session.document.SaveAs(args.positional[1]) ? kOk : kFailed;
}

int Devices(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {}, {});
    if (args.help) {
        std::cout << kDevicesUsage;
        return kOk;
    }
    RequirePositional(args, 0, "");
    VXWaveOutStream out;
    VXWaveInStream in;
    std::cout << "Output devices:\n";
    for (int i = 0; i < out.DeviceCount(); ++i)
        std::cout << "  " << i << "  " << out.DeviceNames()[static_cast<size_t>(i)] << '\n';
    std::cout << "Input devices:\n";
    for (int i = 0; i < in.DeviceCount(); ++i)
        std::cout << "  " << i << "  " << in.DeviceNames()[static_cast<size_t>(i)] << '\n';
    return kOk;
}

int Types(int argc, char** argv) {
    const Arguments args = Parse(argc, argv, {}, {});
    if (args.help) {
        std::cout << kTypesUsage;
        return kOk;
    }
    RequirePositional(args, 0, "");
    TContraptionFactory factory;
    RegisterContraptionMakers(factory);
    for (const TContraptionMaker* maker : factory.makers)
        std::cout << maker->typeName << '\t' << maker->category << '\n';
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    using Command = int (*)(int, char**);
    const std::map<std::string_view, Command> commands = {
        {"render", Render}, {"play", Play},       {"info", Info},
        {"resave", Resave}, {"devices", Devices}, {"types", Types},
    };
    if (argc < 2) {
        std::cerr << kMainUsage;
        return kUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << kMainUsage;
        return kOk;
    }
    const auto command = commands.find(name);
    if (command == commands.end()) {
        std::cerr << "ondrafel-cli: unknown command \"" << name << "\"\n\n" << kMainUsage;
        return kUsage;
    }
    try {
        return command->second(argc - 2, argv + 2);
    } catch (const UsageError& e) {
        std::cerr << "ondrafel-cli " << name << ": " << e.what() << "\nRun 'ondrafel-cli " << name
                  << " --help' for its usage.\n";
        return kUsage;
    } catch (const EWaveOutError& e) {
        ShowMessage(e.what(), "Ondrafel", TMessageIcon::Error);
        return kFailed;
    } catch (const EWaveInError& e) {
        ShowMessage(e.what(), "Ondrafel", TMessageIcon::Error);
        return kFailed;
    } catch (const std::exception& e) {
        std::cerr << "ondrafel-cli: " << e.what() << '\n';
        return kFailed;
    }
}
