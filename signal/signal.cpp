#include "signal/signal.h"

// Constant-initialised, so they exist before any other static object.
constinit const MGSignal MGSilentSignal{0.0f};
constinit MGSignal MGDefaultOutletSignal{0.0f};
