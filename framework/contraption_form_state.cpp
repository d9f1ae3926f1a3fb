#include "framework/contraption_form_state.h"

#include <istream>
#include <ostream>

#include "framework/contraption.h"
#include "framework/contraption_maker.h"
#include "framework/contraption_window.h"

TContraptionFormState::~TContraptionFormState() {
    destroying = true;
    delete form;
}

void TContraptionFormState::Show() {
    if (form == nullptr) {
        form = contraption->maker->CreateForm(*contraption);
        if (form != nullptr) {
            form->SetCaption(contraption->name);
            contraption->SetModified(true);
        }
    }
    if (form != nullptr) {
        form->RefreshControls();
        form->ShowIn(scrollBox);
    }
}

void TContraptionFormState::FormClosed() {
    if (destroying)
        return;
    form = nullptr;
    contraption->SetModified(true);
}

void TContraptionFormState::Write(std::ostream& os) {
    if (form != nullptr)
        form->GetContentPosition(left, top);
    os << "{ " << nodeX << ' ' << nodeY << ' ' << (form != nullptr ? 'T' : 'F') << " Z Z " << top
       << ' ' << left << " Z Z Z Z "
       << " }";
}

void TContraptionFormState::Read(std::istream& is) {
    // The braces and placeholder letters are taken as they come, each
    // after skipping white space.
    const auto skipChar = [&is] {
        is >> std::ws;
        return is.get();
    };
    skipChar();
    is >> std::ws >> nodeX >> std::ws >> nodeY;
    const int flag = skipChar();
    skipChar();
    skipChar();
    is >> std::ws >> top >> std::ws >> left;
    for (int i = 0; i < 5; ++i)
        skipChar();
    if (is && flag == 'T')
        Show();
}
