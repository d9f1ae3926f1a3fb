#include "document/document_controller.h"

bool VXDocumentController::CheckSave() {
    document.UpdateModified();
    if (!document.modified)
        return true;
    bool cancel = false;
    if (queries.AskSaveChanges(cancel))
        return Save();
    return !cancel;
}

bool VXDocumentController::New() {
    if (!CheckSave())
        return false;
    document.New();
    document.ClearModified();
    return true;
}

bool VXDocumentController::Open() {
    const std::optional<std::string> path = queries.AskOpenFileName();
    if (!path)
        return false;
    return OpenFile(*path);
}

bool VXDocumentController::OpenFile(const std::string& path) {
    if (path.empty())
        return false;
    if (!CheckSave())
        return false;
    if (!document.Open(path))
        return false;
    document.ClearModified();
    return true;
}

bool VXDocumentController::Save() {
    if (document.HasFileName()) {
        if (!document.Save())
            return false;
    } else if (!document.SaveAs()) {
        return false;
    }
    document.ClearModified();
    return true;
}

bool VXDocumentController::SaveAs() {
    if (!document.SaveAs())
        return false;
    document.ClearModified();
    return true;
}

bool VXDocumentController::Revert() {
    if (!document.HasFileName() || !queries.ConfirmRevert())
        return false;
    if (!document.Load())
        return false;
    document.ClearModified();
    return true;
}

bool VXDocumentController::CanClose() {
    return CheckSave();
}
