#pragma once

// The state of a contraption's window that outlives the window: where it
// was, whether it is open, and where the contraption's patcher node sits.
// Interface thread only.
//
// Its block in a document: "{ nodeX nodeY T|F Z Z top left Z Z Z Z  }",
// the letters Z being fixed placeholders.

#include <iosfwd>

class TQuorlingContraption;
class TContraptionWindow;
class TPatternedScrollBox;

class TContraptionFormState {
public:
    // The patcher node's position, copied in just before saving.
    int nodeX = 0;
    int nodeY = 0;
    TQuorlingContraption* const contraption;
    // The parent for the window; null without one (headless).
    TPatternedScrollBox* const scrollBox;
    // The open window, or null.
    TContraptionWindow* form = nullptr;
    // The window's position in the scroll box's content coordinates.
    int top = 0;
    int left = 0;

    TContraptionFormState(TQuorlingContraption* contraption, TPatternedScrollBox* scrollBox)
        : contraption(contraption), scrollBox(scrollBox) {}
    TContraptionFormState(const TContraptionFormState&) = delete;
    TContraptionFormState& operator=(const TContraptionFormState&) = delete;

    // Destroys the open window, if any.
    ~TContraptionFormState();

    // Opens the window (creating it through the maker when there is none)
    // and brings it into view. Types without a window: nothing happens.
    void Show();

    // Called by the window when it closes.
    void FormClosed();

    // Copies an open window's position into top and left, then writes the
    // block.
    void Write(std::ostream& os);

    // Reads the block; a "T" flag opens the window.
    void Read(std::istream& is);

private:
    bool destroying = false;
};
