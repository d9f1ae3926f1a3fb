#pragma once

// The program's messages as Qt message boxes, modal to the active window.

#include "framework/message_box.h"

class TQtMessageBox : public TMessageBox {
public:
    void Show(const std::string& text, const std::string& caption, TMessageIcon icon) override;
};
