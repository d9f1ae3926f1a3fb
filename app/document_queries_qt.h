#pragma once

// The File commands' questions as Qt message boxes and the open dialog.
// The dialog can be replaced (tests answer it from a script).

#include <QWidget>
#include <functional>

#include "document/document_controller.h"

class ODDocumentQueries : public VXDocumentQueries {
public:
    explicit ODDocumentQueries(QWidget* parent) : parent(parent) {}

    // Runs the open dialog; nothing when cancelled. Set by tests.
    std::function<std::optional<std::string>()> OpenDialog;

    bool AskSaveChanges(bool& cancel) override;
    bool ConfirmRevert() override;
    std::optional<std::string> AskOpenFileName() override;

private:
    QWidget* parent;
};
