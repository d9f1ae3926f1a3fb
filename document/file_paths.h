#pragma once

// Paths as the program keeps them. A path typed on the command line or
// stored relative to the working directory would name another file (or
// none) once the program, a dialog or a later start looks at it from
// elsewhere, so every path is made absolute where it enters the program.

#include <string>

// `path` made absolute against the working directory, with "." and ".."
// steps and doubled slashes removed; symbolic links are kept, so the
// document keeps the name the user gave it. Empty stays empty.
std::string ODAbsolutePath(const std::string& path);

// One spelling per file: absolute, with symbolic links resolved as far as
// the path exists. Two names of the same file give the same text.
std::string ODCanonicalPath(const std::string& path);
