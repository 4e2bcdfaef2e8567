#pragma once
#include <windows.h>

#include <string>

namespace kelo::win {

class TComponent;

// Automation for tools that drive the program from outside (accessibility helpers and
// the end-to-end tests): a WM_COPYDATA request with this tag and a component name (UTF-16)
// sent to a form is answered by WM_COPYDATA, same tag, back to the window in wParam, with
// the component's state as text: a control's caption, or for a menu item
// "caption<TAB>checked<TAB>enabled<TAB>command id" with 1/0 flags, for a status bar its
// panels' texts separated by tabs. "Name!font" answers with the control's font:
// "face<TAB>height<TAB>charset"; "!text" (no name) with the text the form paints itself.
inline constexpr ULONG_PTR kInspectTag = 0x4B494E53;  // 'KINS'

bool AnswerInspect(TComponent& form, WPARAM wParam, LPARAM lParam);
std::wstring InspectText(TComponent* component);

}  // namespace kelo::win
