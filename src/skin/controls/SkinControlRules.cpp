#include "skin/controls/SkinControlRules.h"

#include <algorithm>
#include <utility>

namespace kelo::skin {

int StateFrame(const ControlState& state) {
    if (!state.enabled) return kFrameDisabled;
    if (state.pressed) return kFramePressed;
    if (state.focused || state.hot) return kFrameHot;
    return kFrameNormal;
}

int ClampFrame(int frame, int count) {
    if (count <= 0) return 0;
    return std::clamp(frame, 1, count);
}

SkinColor PushButtonTextColour(const TSkinElement& buttons, const SkinColourSet& colours, int frame) {
    switch (frame) {
        case kFrameNormal: return buttons.normalTextColour;
        case kFramePressed: return buttons.pressedTextColour;
        case kFrameHot: return buttons.mouseOverTextColour;
        case kFrameDisabled: return colours.buttonShadow;
        default: return colours.buttonText;
    }
}

CheckMark CheckMarkOf(intptr_t buttonCheck) {
    if (buttonCheck == 1) return CheckMark::Checked;
    if (buttonCheck == 2) return CheckMark::Indeterminate;
    return CheckMark::Unchecked;
}

int CheckGlyphFrame(CheckMark mark, bool enabled) {
    if (mark == CheckMark::Indeterminate) return 4;
    const int frame = mark == CheckMark::Checked ? 2 : 1;
    return enabled ? frame : frame + 2;
}

GridRect CheckGlyphRect(const CheckGlyphInput& in) {
    if (in.frameCount <= 0) return {};
    const int width = std::max(in.imageWidth / in.frameCount, in.systemBox);
    const int height = std::max(in.imageHeight, in.systemBox);
    const int x = (in.style & kRightButtonStyle) != 0 ? in.controlWidth - width
                  : width < 15                         ? (14 - width) / 2
                                                       : 0;
    return {x, (in.controlHeight - height) / 2, width, height};
}

GridRect ComboButtonRect(int width, int height, int buttonWidth, bool atLeft) {
    return {atLeft ? 1 : width - 1 - buttonWidth, 1, buttonWidth, height - 2};
}

GridRect CentredIn(const GridRect& area, int width, int height) {
    return {area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};
}

int MirroredFrame(int frame, int count) { return count + 1 - frame; }

std::array<UpDownHalf, 2> UpDownHalves(int width, int height, uint32_t style, const ControlState& state,
                                       int cursorHalf) {
    const bool horizontal = (style & kUpDownHorizontalStyle) != 0;
    std::array<UpDownHalf, 2> halves{};
    if (horizontal) {
        halves[0] = {{0, 0, width / 2, height}, ArrowDirection::Left, kFrameNormal};
        halves[1] = {{width / 2, 0, width - width / 2, height}, ArrowDirection::Right, kFrameNormal};
    } else {
        halves[0] = {{0, 0, width, height / 2}, ArrowDirection::Up, kFrameNormal};
        halves[1] = {{0, height / 2, width, height - height / 2}, ArrowDirection::Down, kFrameNormal};
    }
    for (int i = 0; i < 2; ++i) {
        UpDownHalf& half = halves[static_cast<size_t>(i)];
        if (!state.enabled) half.state = kFrameDisabled;
        else if (i == cursorHalf && state.pressed) half.state = kFramePressed;
        else if (i == cursorHalf && state.hot) half.state = kFrameHot;
    }
    return halves;
}

int UpDownHalfAt(int width, int height, uint32_t style, int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return -1;
    if ((style & kUpDownHorizontalStyle) != 0) return x < width / 2 ? 0 : 1;
    return y < height / 2 ? 0 : 1;
}

int UpDownElementFrame(int half, int state) { return half * 4 + state; }

std::vector<Stroke> ArrowStrokes(const GridRect& area, ArrowDirection direction) {
    const bool vertical = direction == ArrowDirection::Up || direction == ArrowDirection::Down;
    const int across = vertical ? area.width : area.height;  // the way the arrow widens
    const int along = vertical ? area.height : area.width;   // from its tip to its base
    const int rows = std::min({4, (across - 2) / 4, (along - 2) / 2});
    std::vector<Stroke> strokes;
    if (rows < 1) return strokes;
    const bool tipFirst = direction == ArrowDirection::Up || direction == ArrowDirection::Left;
    for (int i = 0; i < rows; ++i) {
        const int reach = tipFirst ? i : rows - 1 - i;
        if (vertical) {
            const int centre = area.x + area.width / 2;
            const int y = area.y + (area.height - rows) / 2 + i;
            strokes.push_back({centre - reach, y, centre + reach + 1, y});
        } else {
            const int centre = area.y + area.height / 2;
            const int x = area.x + (area.width - rows) / 2 + i;
            strokes.push_back({x, centre - reach, x, centre + reach + 1});
        }
    }
    return strokes;
}

int StatusPanelFrame(uint32_t panelType) {
    if ((panelType & kNoBordersPanel) != 0) return 3;
    if ((panelType & kPopOutPanel) != 0) return 2;
    return 1;
}

PanelText SplitPanelText(std::wstring_view text, bool rightToLeft) {
    PanelText pieces;
    std::wstring* piece[] = {&pieces.left, &pieces.centre, &pieces.right};
    size_t slot = 0;
    for (wchar_t c : text) {
        if (c == L'\t' && slot < 2) ++slot;
        else *piece[slot] += c;
    }
    if (rightToLeft) std::swap(pieces.left, pieces.right);
    return pieces;
}

}  // namespace kelo::skin
