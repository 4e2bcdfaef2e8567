#pragma once
// How a styled control's hot, pressed and space-bar state follows its messages, and which
// messages call for the flat look to be painted again. The record translates window
// messages into these events.

namespace kelo::menupainter {

enum class ControlEvent {
    SetFocus,
    KillFocus,
    Paint,
    FramePaint,     // the control drew its frame (WM_NCPAINT)
    CheckRead,      // BM_GETCHECK
    CheckSet,       // BM_SETCHECK
    PressedState,   // BM_SETSTATE
    DefaultChanged, // BM_SETSTYLE: the dialog moved its default button
    TextChanged,
    UiStateChanged, // focus cues or access keys shown or hidden
    Enabled,
    Disabled,
    SpaceDown,
    SpaceUp,
    MouseEnter,
    MouseMove,
    MouseLeave,
    ButtonDown,     // also the second press of a double click
    ButtonUp,
    Other,
};

struct ControlStateFacts {
    bool enabled = true;
    bool upDown = false;       // follows the mouse to light the arrow under it
    bool framedOutside = false; // its flat frame lies outside the client area, on the control's own frame
};

struct ControlStateFlags {
    bool hot = false;
    bool mouseDown = false;
    bool spaceDown = false;
    bool spaceRepeat = false;
    bool operator==(const ControlStateFlags&) const = default;
};

// Applies the event to the flags; true when the control's look is to be painted again.
bool StepControlState(ControlStateFlags& flags, ControlEvent event, const ControlStateFacts& facts);

}  // namespace kelo::menupainter
