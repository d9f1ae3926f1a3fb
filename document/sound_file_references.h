#pragma once

// Documents name their sound files relative to a known directory, so that a
// project folder can be moved or shared: the document's own directory, the
// user's search directories, or the program's directory, tried in that order
// both when a reference is made and when it is resolved.
//
// Directories are kept with their trailing "/". The state is program-wide
// and used on the user-interface thread only.

#include <optional>
#include <string>
#include <vector>

class TSettingsStore;

struct TSoundFileSearch {
    std::vector<std::string> searchDirectories;
    std::string programDirectory;
    // The current document's directory; unset before any document was
    // opened or saved, empty when the document's path has no directory.
    std::optional<std::string> soundFileBase;
};

// The program-wide search state.
TSoundFileSearch& SoundFileSearch();

// The directory of the running program file, with the trailing "/".
std::string ProgramDirectory();

// Sets the program directory and reads "SFPaths" "Path_0", "Path_1", ...
// until the first missing value.
void LoadSearchDirectories(const TSettingsStore& store);
// Writes the directories as "Path_0" ... and deletes the values after them.
void SaveSearchDirectories(TSettingsStore& store);

void SetSoundFileBase(const std::string& documentPath);

std::string MakeSoundFileReference(const std::string& path);
std::string ResolveSoundFileReference(const std::string& reference);
bool SoundFileReferenceExists(const std::string& reference);
