#pragma once

// The window side of a contraption, as the framework sees it. The windows
// are widgets built by the application; the framework only creates them
// through a maker's form creator, asks them to show and refresh, reads
// their position for the document and destroys them.

#include <functional>
#include <string>

class TQuorlingContraption;
// The main window's pane of contraption windows; defined by the application.
class TPatternedScrollBox;

class TContraptionWindow {
public:
    // Destroys the window. It must not call TContraptionFormState::
    // FormClosed from here when the framework deletes it (the state is
    // going away).
    virtual ~TContraptionWindow() = default;

    // Sets the controls from the property values and the preset button
    // from the contraption's current preset.
    virtual void RefreshControls() = 0;

    // Shows the contraption's instance name.
    virtual void SetCaption(const std::string& caption) = 0;

    // Places the window in `scrollBox` (may be null), shows it and scrolls
    // it into view.
    virtual void ShowIn(TPatternedScrollBox* scrollBox) = 0;

    // The window's position in the scroll box's content coordinates.
    virtual void GetContentPosition(int& left, int& top) const = 0;
};

// Builds the window of one contraption type; attached to its maker by type
// name from the application side.
using TFormCreator = std::function<TContraptionWindow*(TQuorlingContraption&)>;
