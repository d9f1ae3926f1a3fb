#pragma once

// The directories the file dialogs start in, each set from the last path
// chosen in a dialog of its kind: documents, sound files to read and WAV
// files to write. Asking for the sound-file or recording directory gives
// it if set, else the document directory if set, else the program's own
// directory; the document directory falls back to the program's. Kept for
// the run only. Interface thread only.

#include <string>

enum class TDirectoryKind { Document, SoundFile, Recording };

// The directory, without a trailing "/".
std::string RememberedDirectory(TDirectoryKind kind);
// Remembers the directory part of `path` (the part before its last "/").
void RememberDirectory(TDirectoryKind kind, const std::string& path);
// Forgets all three (tests).
void ForgetDirectories();
