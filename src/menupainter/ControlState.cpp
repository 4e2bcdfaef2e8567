#include "menupainter/ControlState.h"

namespace kelo::menupainter {

bool StepControlState(ControlStateFlags& flags, ControlEvent event, const ControlStateFacts& facts) {
    switch (event) {
        case ControlEvent::SetFocus:
            flags.hot = true;
            return true;
        case ControlEvent::KillFocus:
        case ControlEvent::CheckRead:
        case ControlEvent::CheckSet:
        case ControlEvent::Disabled:
            flags.hot = false;
            return true;
        case ControlEvent::Paint:
            // A frame outside the client area is not touched by the client's painting.
            return !facts.framedOutside;
        case ControlEvent::PressedState:
        case ControlEvent::DefaultChanged:
        case ControlEvent::TextChanged:
        case ControlEvent::UiStateChanged:
        case ControlEvent::Enabled:
            return true;
        case ControlEvent::FramePaint:
            return facts.framedOutside;
        case ControlEvent::SpaceDown: {
            // Key repeats keep the button pressed without painting it again each time.
            flags.spaceDown = true;
            const bool repaint = !flags.spaceRepeat;
            flags.spaceRepeat = true;
            return repaint;
        }
        case ControlEvent::SpaceUp:
            flags.spaceDown = false;
            flags.spaceRepeat = false;
            return true;
        case ControlEvent::MouseEnter:
        case ControlEvent::MouseLeave:
            if (!facts.enabled) return false;
            flags.hot = event == ControlEvent::MouseEnter;
            return true;
        case ControlEvent::MouseMove:
            return facts.enabled && facts.upDown;
        case ControlEvent::ButtonDown:
            flags.mouseDown = true;
            return true;
        case ControlEvent::ButtonUp:
            flags.mouseDown = false;
            return true;
        case ControlEvent::Other:
            return false;
    }
    return false;
}

}  // namespace kelo::menupainter
