#pragma once

// The offline pattern render: runs the engine cycle as fast as it can, with
// the devices stopped, for a pre-roll and then a recorded number of bars of
// the tempo clock, and writes the recorded part to a new WAV file. With a
// pre-roll, the recording starts on a bar line (tick 7680), so sequencers
// have played into the pattern before the file begins. The clock is put
// back as it was afterwards.
//
// The caller stops both devices first. Interface thread only.

#include <functional>
#include <string>

class TAudioEngineModule;

enum class ODRenderStatus { Ok, FileError, WriteError, Cancelled };

struct ODRenderPlan {
    long preRollFrames; // computed before the recording, rounded up to whole chunks
    long recordFrames;  // written to the file
    double startTick;   // clock position at the first computed frame
};

inline constexpr int ODRenderChunkFrames = 32768;

// The frames a render of these bars computes at the context's tempo.
ODRenderPlan PlanPatternRender(const TAudioEngineModule& engine, int preRollBars, int recordBars);

// `progress` gets the fraction done after each chunk (may be empty); it
// returns false to cancel the render. The file appears under `path` only
// when the render is complete: it is written beside it under a hidden
// temporary name and renamed at the end, so a render that fails or is
// cancelled leaves no file (and an existing file as it was). On FileError
// and WriteError, `reason` (when given) receives the system's reason.
ODRenderStatus RenderPattern(TAudioEngineModule& engine, const std::string& path, int preRollBars,
                             int recordBars, const std::function<bool(double)>& progress = {},
                             std::string* reason = nullptr);

// The program's message for a failed render.
inline const char* const ODRenderErrorMessage = "An error occurred while saving the file.\n";

// The message with the file and the reason: the program's text, then
// "PATH: REASON".
std::string ODRenderErrorText(const std::string& path, const std::string& reason);
