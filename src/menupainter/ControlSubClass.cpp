#include "menupainter/ControlSubClass.h"

#include <commctrl.h>

#include "framework/Control.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "menupainter/ControlState.h"
#include "menupainter/MenuPainter.h"

namespace kelo::menupainter {

namespace {

// Controls whose Tag is this take their face colour from their parent.
constexpr int32_t kParentFaceTag = 1000;

ControlEvent EventOf(ControlKind kind, UINT msg, WPARAM wParam) {
    switch (msg) {
        case WM_SETFOCUS: return ControlEvent::SetFocus;
        case WM_KILLFOCUS: return ControlEvent::KillFocus;
        case WM_PAINT: return ControlEvent::Paint;
        case WM_NCPAINT: return ControlEvent::FramePaint;
        case BM_GETCHECK: return ControlEvent::CheckRead;
        case BM_SETCHECK: return ControlEvent::CheckSet;
        case BM_SETSTATE: return ControlEvent::PressedState;
        case BM_SETSTYLE: return ControlEvent::DefaultChanged;
        case WM_SETTEXT: return ControlEvent::TextChanged;
        case WM_UPDATEUISTATE: return ControlEvent::UiStateChanged;
        case WM_ENABLE: return wParam ? ControlEvent::Enabled : ControlEvent::Disabled;
        case WM_KEYDOWN: return wParam == VK_SPACE ? ControlEvent::SpaceDown : ControlEvent::Other;
        case WM_KEYUP: return wParam == VK_SPACE ? ControlEvent::SpaceUp : ControlEvent::Other;
        case WM_MOUSEMOVE: return ControlEvent::MouseMove;
        case WM_MOUSELEAVE: return ControlEvent::MouseLeave;
        case WM_LBUTTONDOWN: return ControlEvent::ButtonDown;
        // The system's buttons take a double click as a second press.
        case WM_LBUTTONDBLCLK:
            return kind == ControlKind::Button || kind == ControlKind::CheckBox ? ControlEvent::ButtonDown
                                                                                 : ControlEvent::Other;
        case WM_LBUTTONUP: return ControlEvent::ButtonUp;
        default: return ControlEvent::Other;
    }
}

BevelCut CutOf(win::TBevelCut cut) {
    switch (cut) {
        case win::TBevelCut::bvLowered: return BevelCut::Lowered;
        case win::TBevelCut::bvRaised: return BevelCut::Raised;
        default: return BevelCut::None;
    }
}

}  // namespace

ControlKind ControlKindOf(const win::TWinControl& control) {
    // In the order the painters run: the first that matches paints.
    if (control.InheritsFrom("TCustomComboBox")) return ControlKind::Combo;
    if (control.InheritsFrom("TCustomEdit")) return ControlKind::Edit;
    if (control.InheritsFrom("TCheckBox")) return ControlKind::CheckBox;
    if (control.InheritsFrom("TButton")) return ControlKind::Button;
    if (control.InheritsFrom("TUpDown")) return ControlKind::UpDown;
    if (control.InheritsFrom("TPanel")) return ControlKind::Panel;
    if (control.InheritsFrom("TGroupBox")) return ControlKind::GroupBox;
    if (control.InheritsFrom("TTreeView")) return ControlKind::TreeView;
    if (control.InheritsFrom("TListView")) return ControlKind::ListView;
    return ControlKind::None;
}

TControlSubClass::TControlSubClass(TMenuPainter& painter, win::TWinControl& control, const SavedLook& saved)
    : painter_(&painter), control_(&control), hwnd_(control.Handle()), saved_(saved), kind_(ControlKindOf(control)) {}

TControlSubClass::~TControlSubClass() { Unhook(); }

bool TControlSubClass::Attach() {
    if (!hwnd_ || win::HasSubclass(hwnd_, win::SubclassId::MenuPainter)) return false;
    attached_ = win::AttachSubclass(hwnd_, win::SubclassId::MenuPainter, this);
    // The flat frame of an edit or a view lies on its own frame: that is painted again too.
    if (attached_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    return attached_;
}

void TControlSubClass::Unhook() {
    if (!attached_) return;
    attached_ = false;
    if (!IsWindow(hwnd_)) return;
    win::DetachSubclass(hwnd_, win::SubclassId::MenuPainter);
    // The control draws its own frame and face again.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TControlSubClass::OnDetached(HWND) {
    attached_ = false;
    hwnd_ = nullptr;
    painter_->ForgetRecord(*this);  // frees this record
}

bool TControlSubClass::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The message may take the control and this record away (a button that frees its dialog).
    const std::weak_ptr<char> alive = life_;
    // The flat frame painted after this message covers the control's own frame.
    if (msg == WM_NCPAINT)
        win::MarkDrawsNonClient(hwnd, win::SubclassId::MenuPainter,
                                painter_->Active() && !win::DrawnWhole(hwnd) && Facts(hwnd).framedOutside
                                    ? win::kNonClientFrame
                                    : 0);
    result = win::CallNext(hwnd, msg, wParam, lParam);
    if (alive.expired()) return true;
    if (!painter_->Active()) {
        // An inactive painter's controls take their own look back at their next message.
        try {
            Unhook();
        } catch (...) {
        }
        painter_->ForgetRecord(*this);  // frees this record
        return true;
    }
    if (msg == WM_DESTROY || msg == WM_NCDESTROY) return true;
    if (msg == WM_MOUSELEAVE) tracking_ = false;
    const bool entering = msg == WM_MOUSEMOVE && !tracking_;
    const ControlEvent event = EventOf(kind_, msg, wParam);
    // Most of a control's messages (and every one a skin above sends down while it paints)
    // leave the flat look as it is: they end here.
    if (!entering && !Matters(hwnd, event)) return true;
    // A skin that draws the control whole paints over everything this layer would, and reads
    // the control's state through here while it paints: the record only stays attached, so
    // it is there to be handed over or to take over again once the skin comes off.
    if (win::DrawnWhole(hwnd)) return true;
    state_.lastMessage = msg;
    if (entering) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
        UpdateState(hwnd, ControlEvent::MouseEnter);
    }
    UpdateState(hwnd, event);
    return true;
}

ControlStateFlags TControlSubClass::Flags() const {
    return {state_.hot, state_.mouseDown, state_.spaceDown, spaceRepeat_};
}

ControlStateFacts TControlSubClass::Facts(HWND hwnd) const {
    const bool framedKind = kind_ == ControlKind::Edit || kind_ == ControlKind::TreeView || kind_ == ControlKind::ListView;
    return {IsWindowEnabled(hwnd) != FALSE, kind_ == ControlKind::UpDown,
            framedKind && (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0};
}

bool TControlSubClass::Matters(HWND hwnd, ControlEvent event) const {
    ControlStateFlags flags = Flags();
    return StepControlState(flags, event, Facts(hwnd)) || !(flags == Flags());
}

void TControlSubClass::UpdateState(HWND hwnd, ControlEvent event) {
    ControlStateFlags flags = Flags();
    const bool repaint = StepControlState(flags, event, Facts(hwnd));
    state_.hot = flags.hot;
    state_.mouseDown = flags.mouseDown;
    state_.spaceDown = flags.spaceDown;
    spaceRepeat_ = flags.spaceRepeat;
    if (repaint) Repaint(hwnd);
}

void TControlSubClass::Repaint(HWND hwnd) {
    if (painting_ || kind_ == ControlKind::None || !IsWindowVisible(hwnd)) return;
    painting_ = true;
    try {
        const HWND focus = GetFocus();
        state_.focused = focus && (focus == hwnd || IsChild(hwnd, focus));
        PaintControl(Gather(hwnd), state_, painter_->ScreenLook());
    } catch (...) {
        // The flat look is a look: a control that cannot take it keeps its own.
    }
    painting_ = false;
}

ControlPaintFacts TControlSubClass::Gather(HWND hwnd) const {
    // State is read from the control beneath this layer, so reading never comes back here.
    ControlPaintFacts facts;
    facts.hwnd = hwnd;
    facts.kind = kind_;
    facts.enabled = IsWindowEnabled(hwnd) != FALSE;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    facts.rightToLeft = (exStyle & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
    facts.parentFace = control_->Tag() == kParentFaceTag;
    facts.colour = control_->Color();
    facts.parentColour = control_->Parent() ? control_->Parent()->Color() : clBtnFace;
    facts.font = control_->Font().Handle();
    facts.fontColour = control_->Font().Color();
    facts.clientEdge = (exStyle & WS_EX_CLIENTEDGE) != 0;
    facts.singleBorder = saved_.borderStyle;
    switch (kind_) {
        case ControlKind::Button:
            facts.caption = win::WindowText(hwnd);
            facts.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            break;
        case ControlKind::CheckBox:
            facts.checkState = static_cast<int>(win::CallNext(hwnd, BM_GETCHECK, 0, 0));
            facts.textOnLeft = (style & BS_LEFTTEXT) != 0;
            break;
        case ControlKind::Combo:
            facts.droppedDown = win::CallNext(hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
            facts.simpleCombo = (style & 3) == CBS_SIMPLE;
            break;
        case ControlKind::UpDown: {
            POINT cursor{};
            if (GetCursorPos(&cursor) && ScreenToClient(hwnd, &cursor)) facts.cursor = cursor;
            break;
        }
        case ControlKind::Panel:
            if (const auto* panel = dynamic_cast<const win::TPanel*>(control_)) {
                facts.bevelOuter = CutOf(panel->BevelOuter());
                facts.bevelInner = CutOf(panel->BevelInner());
                facts.bevelWidth = panel->BevelWidth();
            }
            break;
        case ControlKind::GroupBox:
            facts.caption = control_->Caption();
            break;
        default:
            break;
    }
    return facts;
}

}  // namespace kelo::menupainter
