#include "framework/message_box.h"

#include <iostream>

namespace {

class StderrMessageBox : public TMessageBox {
public:
    void Show(const std::string& text, const std::string& caption, TMessageIcon) override {
        std::cerr << caption << ": " << text;
        if (text.empty() || text.back() != '\n')
            std::cerr << '\n';
    }
};

StderrMessageBox stderrBox;
TMessageBox* current = &stderrBox;

} // namespace

TMessageBox& Messages() {
    return *current;
}

TMessageBox* SetMessages(TMessageBox* box) {
    TMessageBox* previous = current;
    current = box != nullptr ? box : &stderrBox;
    return previous;
}
