#pragma once

// The patch as a document: the ".odh" file, a line-oriented text that holds
// the tempo, the layout of the main window's two panes, every contraption
// (type, instance name, properties, presets, node and window position) and
// every connection:
//
//   .odh 0.5
//   tempo:
//   <TAB>120
//   visual1:
//   <TAB>patcher pane width
//   <TAB>1 if the patcher pane is visible, else 0
//   <TAB>1 if the properties pane is visible, else 0
//   contraptions:
//   <TAB>one contraption block per patcher node, in the pane's order
//   connections:
//   <TAB>source<TAB>outlet<TAB>target<TAB>inlet
//   end
//
// Every line ends with a line feed; numbers are decimal in the C locale,
// whatever the user's locale. The reader is tolerant: sections may come in
// any order, unknown sections and their indented lines are passed over, the
// older "splitter:" section gives the pane width, and the input may end
// without "end". Lines it cannot use are skipped without disturbing the
// rest.
//
// Opening checks the whole file before anything on screen changes: a file
// that is not a regular file, cannot be read, is not a document, comes
// from a newer version or holds a line longer than `LineLimit` leaves the
// open patch as it was.
//
// Saving never leaves a half-written document behind: the text goes into a
// temporary file beside the document, which replaces the document only
// once it is complete on disk; the previous version stays as
// "NAME.odh.bak".
//
// Interface thread only; audio output and input are stopped while a
// document loads.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "document/document_controller.h"

class ODDocumentView;
class TAudioEngineModule;

enum class ODLoadStatus {
    Loaded,
    // The input ended before "end": what was read has been loaded.
    Incomplete,
    // The file could not be opened or read, or is not a regular file;
    // nothing changed.
    NotOpened,
    // A wrong magic word, or a version this program cannot read; nothing
    // changed.
    NotADocument,
    NewerVersion,
    // A line longer than ODDocument::LineLimit; nothing changed.
    LineTooLong,
};

// The clock's samples per tick at `bpm` beats per minute, 24 ticks a beat.
double ODSamplesPerTick(int bpm);

// The name a document is shown by: the file name without its directory, up
// to its first "."; "Untitled" without a path.
std::string ODDisplayName(const std::optional<std::string>& path);

inline const char* const ODOpenErrorText = "An error occurred while opening the document.\n";
inline const char* const ODSaveErrorText = "An error occurred while saving the document.\n";
inline const char* const ODReadErrorCaption = "Error Reading Document";
inline const char* const ODNotADocumentText = "The specified file is not an Ondrafel document.";
inline const char* const ODNewerVersionText =
    "The specified document was created by a newer version of Ondrafel and cannot be opened.";
inline const char* const ODLineTooLongText =
    "The document has a line longer than Ondrafel ever writes and cannot be opened.";
inline const char* const ODDroppedContraptionsText =
    "These lines of the document could not be read; their contraptions were left out:";
inline const char* const ODIncompleteText =
    "The document ends before its \"end\" line; it may be incomplete.\nEverything up to that "
    "point has been loaded. Check the patch before saving it over the file.";

class ODDocument : public VXDocument {
public:
    static constexpr int MinTempo = 1;
    static constexpr int MaxTempo = 240;
    static constexpr int MaxPaneWidth = 5000;
    // The longest line the reader takes, line feed not counted. The longest
    // line a patch writes is a contraption block with twenty presets of all
    // its properties, a few kilobytes for the largest types; a mebibyte
    // leaves room for any of them, and a file without line feeds (which is
    // no document) is refused after reading that much rather than taken
    // into memory whole.
    static constexpr std::size_t LineLimit = std::size_t{1} << 20;

    ODDocumentView& mainForm;
    TAudioEngineModule& engine;
    // The full path; empty for an untitled document.
    std::optional<std::string> fileName;

    ODDocument(ODDocumentView& mainForm, TAudioEngineModule& engine);

    bool HasFileName() const override { return fileName.has_value(); }
    void New() override;
    bool Open(const std::string& path) override;
    bool Load() override;
    bool Save() override;
    bool SaveAs() override;
    // Saves under `path` without asking; the document takes the name only
    // when the save succeeded.
    bool SaveAs(const std::string& path);
    void UpdateModified() override;
    void ClearModified() override;

    std::string DisplayName() const { return ODDisplayName(fileName); }
    // How the last Open, Load or Read went.
    ODLoadStatus LastLoadStatus() const { return lastLoadStatus; }
    // The contraption lines the last Open, Load or Read left out because
    // the reader refused a name on them, each as "line N: why".
    const std::vector<std::string>& DroppedLines() const { return droppedLines; }

    // The reader: takes all of `is`, checks it, and only then builds the
    // patch from it into the (empty) patch; shows no message.
    ODLoadStatus Read(std::istream& is);
    // The writer: copies each node's position into its contraption's window
    // state, then writes the document.
    void Write(std::ostream& os);

private:
    class LineCounter;

    void EmptyPatch();
    // Builds the patch from a text whose header has been checked; the
    // sections start at `bodyStart`.
    ODLoadStatus Build(const std::string& text, std::size_t bodyStart);
    void ReadSections(std::istream& is, bool& sawEnd, LineCounter& lines);
    void ReadTempo(std::istream& is);
    void ReadPaneWidth(std::istream& is);
    void ReadLayout(std::istream& is);
    void ReadContraptions(std::istream& is, LineCounter& lines);
    void ReadConnections(std::istream& is);
    // False (and a message) when the file could not be written.
    bool WriteFile(const std::string& path);
    void Named();

    ODLoadStatus lastLoadStatus = ODLoadStatus::Loaded;
    std::vector<std::string> droppedLines;
};
