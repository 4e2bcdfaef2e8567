#include "skin/frame/SkinFrameRules.h"

#include <algorithm>

namespace kelo::skin {

namespace {

// Window class names are compared in lower case; they are ASCII in practice.
std::wstring LowerAscii(const std::wstring& text) {
    std::wstring lower = text;
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return lower;
}

bool PassesFilter(const SkinWindowFilter& filter, const std::wstring& className) {
    if (!filter.present) return true;
    if (filter.onFormSkin) return filter.onFormSkin(className);
    if (className == L"SysMonthCal32") return false;
    // FastReport's own windows draw themselves and break under a skinned frame.
    if (filter.fastReport && className.starts_with(L"Tfr")) return false;
    return true;
}

constexpr uint32_t kPopup = 0x80000000u;
constexpr uint32_t kCaption = 0x00C00000u;
constexpr uint32_t kThickFrame = 0x00040000u;
constexpr uint32_t kExWindowEdge = 0x00000100u;

// The first half of the visibility rule (the Visibility key).
bool VisibleByFirst(int value, int action, const CaptionState& s) {
    switch (value) {
        case 0: return s.borderKind != 3 && (action != 0 || s.systemMenu);
        case 1: return s.maximized;
        case 2: return !s.maximized;
        case 3: return s.active;
        case 4: return !s.active;
        case 6: return s.maximizeBox && s.systemMenu;
        case 7: return !s.maximizeBox;
        case 8: return s.minimizeBox && s.systemMenu;
        case 9: return !s.minimizeBox;
        case 100: return s.mdiChildMaximized && s.menuBarHeight > 0;
        default: return value >= 200 && value <= 2000;
    }
}

// The second half (the Visibility1 key): the same states without the system-menu test.
bool VisibleBySecond(int value, const CaptionState& s) {
    switch (value) {
        case 0: return true;
        case 6: return s.maximizeBox;
        case 8: return s.minimizeBox;
        default: return VisibleByFirst(value, -1, s);
    }
}

int FrameWidth(const TSkinElement& element) {
    return element.image.Width() / SafeFrameCount(element.frameCount);
}
int FrameHeight(const TSkinElement& element) {
    return element.image.Height() / SafeFrameCount(element.frameCount);
}

struct Run {
    int start = 0, end = 0;
    bool operator==(const Run&) const = default;
};

std::vector<Run> RowRuns(const uint32_t* row, int width) {
    std::vector<Run> runs;
    int x = 0;
    while (x < width) {
        while (x < width && (row[x] & 0xFFFFFFu) == kMagenta) ++x;
        const int start = x;
        while (x < width && (row[x] & 0xFFFFFFu) != kMagenta) ++x;
        if (x > start) runs.push_back({start, x});
    }
    return runs;
}

}  // namespace

SkinWindowVerdict DecideSkinWindow(const SkinWindowFacts& facts, const SkinWindowFilter& filter) {
    if (!facts.managerActive) return SkinWindowVerdict::Inactive;
    if (facts.answersSkinned || facts.listed) return SkinWindowVerdict::AlreadySkinned;
    if (!facts.activatingAll && facts.childStyle && LowerAscii(facts.parentClass) == L"mdiclient")
        return SkinWindowVerdict::MdiChild;
    if (facts.zeroArea) return SkinWindowVerdict::ZeroArea;
    if (facts.formTag == 99) return SkinWindowVerdict::FormTag99;
    if (facts.className == L"TApplication") return SkinWindowVerdict::Application;
    if (!PassesFilter(filter, facts.className)) return SkinWindowVerdict::Filtered;
    return SkinWindowVerdict::Skin;
}

std::optional<size_t> ChooseSkinSourceIndex(const std::vector<SkinSourceFacts>& sources,
                                            const std::wstring& className) {
    const auto firstOf = [&](auto&& accepts) -> std::optional<size_t> {
        for (size_t i = 0; i < sources.size(); ++i)
            if (accepts(sources[i])) return i;
        return std::nullopt;
    };
    if (auto own = firstOf([](const SkinSourceFacts& s) { return s.formType == 1 && s.ownerIsWindow; }))
        return own;
    const std::wstring lower = LowerAscii(className);
    if (lower == L"tmessageform" || lower == L"#32770")
        if (auto dialog = firstOf([](const SkinSourceFacts& s) { return s.formType == 2; })) return dialog;
    if (auto main = firstOf([](const SkinSourceFacts& s) { return s.formType == 0; })) return main;
    if (!sources.empty()) return 0;
    return std::nullopt;
}

int BorderKindOf(uint32_t style, uint32_t exStyle) {
    if ((style & kPopup) && (style & kCaption) != kCaption) return 2;
    if ((exStyle & kExWindowEdge) || (style & kThickFrame)) return 0;
    return 3;
}

int SafeFrameCount(int frameCount) { return std::max(1, frameCount); }

FrameBorders SkinBorders(const SkinData& skin, int borderKind) {
    if (borderKind == 2) return {};
    return {.left = FrameWidth(skin.Side(FrameSide::Left)),
            .top = FrameHeight(skin.Side(FrameSide::Top)),
            .right = FrameWidth(skin.Side(FrameSide::Right)),
            .bottom = FrameHeight(skin.Side(FrameSide::Bottom))};
}

CaptionFit FitCaption(int skinTop, int iconSize, int textHeight) {
    constexpr int kSkinIcon = 16;
    if (skinTop <= 0) return {skinTop, 0, 0};
    const int band = std::max(skinTop, std::max(iconSize, textHeight) + skinTop - kSkinIcon);
    return {band, std::max(0, iconSize - kSkinIcon), (band - skinTop) / 2};
}

bool CaptionButtonVisible(const TSkinCaptionButtonElement& button, const CaptionState& state) {
    if (!VisibleByFirst(button.visibility, button.action, state)) return false;
    if (!VisibleBySecond(button.visibility1, state)) return false;
    if (button.action == 1 && !state.maximizeBox) return false;
    if (button.action == 2 && !state.minimizeBox) return false;
    return true;
}

int CaptionButtonFrame(const TSkinCaptionButtonElement& button, bool active) {
    return active || SafeFrameCount(button.frameCount) < 4 ? 1 : 4;
}

GridRect CaptionTextRect(const TSkinTitleElement& title, const CaptionTextInput& in) {
    GridRect r;
    r.width = in.textWidth + title.textBackLeft + title.textBackRight;
    r.height = in.textHeight;
    const int alignment = in.rightToLeft ? 2 : title.textAlignment;
    if (alignment == 1)
        r.x = (in.stripWidth - r.width) / 2;
    else if (alignment == 2)
        r.x = in.stripWidth - title.textRightClip - r.width;
    else
        r.x = title.textShift + in.textShift;
    r.y = (in.stripHeight - in.textHeight) / 2 + title.textShiftVert / 2;

    // A popup window's caption buttons sit inside the clip margin, so the text stops short
    // of them instead.
    const int limit = in.popupStyle && in.leftmostRightButton ? *in.leftmostRightButton - 5
                                                             : in.stripWidth - title.textRightClip;
    if (r.x + r.width > limit) r.width = std::max(0, limit - r.x);
    return r;
}

GridRect CaptionButtonRect(const TSkinCaptionButtonElement& button, const ButtonPlace& place) {
    GridRect r{.x = button.xCoord, .y = button.yCoord + place.buttonShift, .width = FrameWidth(button),
               .height = button.image.Height()};
    switch (button.align) {
        case 1: r.x = place.windowWidth - button.xCoord; break;
        case 2:
        case 8: r.x = place.textRect.x - r.width - button.xCoord; break;
        case 3:
        case 9: r.x = place.textRect.x + place.textRect.width + button.xCoord; break;
        case 100:
            r.y = place.menuBarTop + (place.menuBarHeight - r.height) / 2;
            r.x = place.rightToLeft
                      ? button.xCoord + place.rightBorder + place.menuBarLeftWidth
                      : place.windowWidth - button.xCoord - place.rightBorder - place.menuBarLeftWidth;
            break;
        default: break;
    }
    return r;
}

std::vector<GridRect> OpaqueRuns(const uint32_t* pixels, int width, int height, int offsetX,
                                 int offsetY) {
    std::vector<GridRect> rects;
    if (!pixels || width <= 0 || height <= 0) return rects;
    std::vector<Run> previous;
    size_t groupStart = 0;  // the rectangles opened by the last row with different runs
    for (int y = 0; y < height; ++y) {
        std::vector<Run> runs = RowRuns(pixels + static_cast<size_t>(y) * width, width);
        if (y > 0 && runs == previous) {
            for (size_t i = groupStart; i < rects.size(); ++i) ++rects[i].height;
            continue;
        }
        groupStart = rects.size();
        for (const Run& run : runs)
            rects.push_back({offsetX + run.start, offsetY + y, run.end - run.start, 1});
        previous = std::move(runs);
    }
    return rects;
}

std::vector<GridRect> MenuBarItemRects(const MenuBarLayoutInput& in) {
    int start = 6;
    if (in.hasElement) {
        start = in.rightToLeft ? in.elementRight + 8 : in.elementLeft + 4;
        if (in.barWidth < start) start = 12;
    }
    const int height = std::max(0, in.barHeight - 1);
    std::vector<GridRect> rects;
    rects.reserve(in.captionWidths.size());
    int edge = in.rightToLeft ? in.barWidth - start : start;
    for (int captionWidth : in.captionWidths) {
        const int width = captionWidth > 0 ? captionWidth + 10 : 0;
        if (in.rightToLeft) {
            edge -= width;
            rects.push_back({edge, 0, width, height});
        } else {
            rects.push_back({edge, 0, width, height});
            edge += width;
        }
    }
    return rects;
}

}  // namespace kelo::skin
