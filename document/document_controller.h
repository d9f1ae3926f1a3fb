#pragma once

// The File commands as the user sees them (New, Open, Save, Save As,
// Revert, closing), independent of what a document holds: a document, the
// prompts that ask the user, and the controller that runs the commands
// with their prompts. Each command returns true when it went through;
// whatever did not reach the disk leaves the document modified.
//
// Interface thread only.

#include <optional>
#include <string>

class VXDocument {
public:
    bool modified = false;

    virtual ~VXDocument() = default;

    virtual bool HasFileName() const = 0;
    // Empties the document; it becomes untitled.
    virtual void New() = 0;
    // Names the document and reads it. False, with the document as it was,
    // when the file could not be read.
    virtual bool Open(const std::string& path) = 0;
    // Reads the named file again. False, with the document as it was, when
    // the file could not be read.
    virtual bool Load() = 0;
    // Writes the named file; false, after telling the user, when it failed.
    virtual bool Save() = 0;
    // Asks for a name and saves under it; false when the user cancelled or
    // the save failed.
    virtual bool SaveAs() = 0;
    // Folds the modified flags of the document's parts into `modified`.
    virtual void UpdateModified() {}
    virtual void ClearModified() { modified = false; }
};

// The questions the File commands ask. The application asks in message
// boxes and file dialogs; tests answer from a script.
class VXDocumentQueries {
public:
    virtual ~VXDocumentQueries() = default;

    // Whether to save the changed document first; the answer Cancel sets
    // `cancel` and returns false.
    virtual bool AskSaveChanges(bool& cancel) = 0;
    virtual bool ConfirmRevert() = 0;
    // The open dialog; nothing when cancelled.
    virtual std::optional<std::string> AskOpenFileName() = 0;
};

// The application's messages for the prompts above.
inline const char* const ODAskSaveChangesText =
    "The current document has changed.\n\nDo you want to save the changes?";
inline const char* const ODConfirmRevertText =
    "Reverting the document will discard all changes since the last save operation\n\nAre you "
    "sure you want to revert?";

class VXDocumentController {
public:
    VXDocumentController(VXDocumentQueries& queries, VXDocument& document)
        : queries(queries), document(document) {}

    bool New();
    bool Open();
    // Opens `path` (from the recent-files menu or the command line).
    bool OpenFile(const std::string& path);
    bool Save();
    bool SaveAs();
    bool Revert();
    // Whether the window may close: the user saved, discarded or had
    // nothing to save.
    bool CanClose();

    VXDocumentQueries& queries;
    VXDocument& document;

private:
    // False when the user cancelled, or chose to save and the save failed.
    bool CheckSave();
};
