#pragma once

// The one way the core tells the user something that needs an answer or an
// acknowledgement. The application shows a Qt message box, the command-line
// tool prints to stderr, tests record what was said.

#include <string>

enum class TMessageIcon { None, Information, Warning, Error };

class TMessageBox {
public:
    virtual ~TMessageBox() = default;
    virtual void Show(const std::string& text, const std::string& caption, TMessageIcon icon) = 0;
};

// The program's message box; stderr until the program installs its own.
TMessageBox& Messages();

// Installs `box` (null restores stderr) and returns the previous one. The
// caller keeps `box` alive while it is installed.
TMessageBox* SetMessages(TMessageBox* box);

// Shows a message with the program's caption.
inline void ShowMessage(const std::string& text, const std::string& caption = "Ondrafel",
                        TMessageIcon icon = TMessageIcon::Information) {
    Messages().Show(text, caption, icon);
}
