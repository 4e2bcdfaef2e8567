#pragma once
// The flat look of the controls a menu painter styles: each kind repaints its frame, face
// or glyph over what the control itself drew, in the painter's working colours. The
// styling record gathers what the control looks like (reading it beneath the painter)
// and its hot, pressed and focus state, and calls PaintControl after the control's own
// procedure has done its work.
#include <windows.h>

#include <string>

#include "menupainter/ControlLook.h"
#include "menupainter/MenuItemPaint.h"

namespace kelo::menupainter {

enum class ControlKind { None, Combo, Edit, CheckBox, Button, UpDown, Panel, GroupBox, TreeView, ListView };

enum class BevelCut { None, Lowered, Raised };

// The record's run-time state at a repaint.
struct ControlPaintState {
    bool hot = false;
    bool mouseDown = false;
    bool spaceDown = false;
    bool focused = false;      // the control has the keyboard focus
    UINT lastMessage = 0;      // the message that caused this repaint
};

// What the control looks like now. Colours may be system colours.
struct ControlPaintFacts {
    HWND hwnd = nullptr;
    ControlKind kind = ControlKind::None;
    bool enabled = true;
    bool rightToLeft = false;
    bool parentFace = false;         // Tag 1000: the face takes the parent's colour
    TColor colour = clBtnFace;       // the control's own colour
    TColor parentColour = clBtnFace; // the colour of the parent's background
    HFONT font = nullptr;            // the control's font
    TColor fontColour = clWindowText; // its colour (captions)
    std::wstring caption;

    // Check boxes: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; box on the right.
    int checkState = BST_UNCHECKED;
    bool textOnLeft = false;
    // Buttons.
    bool isDefault = false;
    // Combo boxes.
    bool droppedDown = false;
    bool simpleCombo = false;
    // Edits, memos, tree and list views: the border the control had when styled, and
    // whether that border is the 2-pixel client edge drawn outside the client area.
    bool singleBorder = true;
    bool clientEdge = false;
    // Panels.
    BevelCut bevelOuter = BevelCut::None;
    BevelCut bevelInner = BevelCut::None;
    int bevelWidth = 1;
    int borderWidth = 0;       // space between the outer and the inner bevel (none here)
    // Group boxes: a 3D frame (light and dark) rather than a flat dark one.
    bool ctl3D = true;
    // Up-down arrows: the cursor in client coordinates.
    POINT cursor{-1, -1};
};

// Repaints the control by its kind. `look` carries the painter's working colours
// computed for the screen (and its font for button captions). Painting errors are the
// caller's to swallow; every device context taken is released also when painting fails.
void PaintControl(const ControlPaintFacts& facts, const ControlPaintState& state, const MenuLook& look);

}  // namespace kelo::menupainter
