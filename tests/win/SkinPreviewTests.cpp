// Draws build/skin-preview.png from the skin the program carries: two windows put
// together from the skin (active and inactive), a popup menu, and every element at a few
// sizes in each of its frames, all through the element painter. Look at it after a change
// of the skin's art.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "framework/Graphics.h"
#include "skin/data/SkinPainter.h"
#include "skin/SkinSource.h"

using namespace kelo::skin;
using kelo::test::DibCanvas;

namespace {

// Caption buttons are always drawn with magenta as the key colour.
ImagePaint Keyed(const TSkinElement& e) {
    ImagePaint p = PaintOf(e);
    p.transparent = true;
    return p;
}

class Sheet {
public:
    Sheet(const SkinData& skin, HDC dc) : s_(skin), dc_(dc) {
        font_.Reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"宋体"));
        SetBkMode(dc_, TRANSPARENT);
    }

    void Text(int x, int y, const std::wstring& text, COLORREF colour, int width = 400, UINT align = DT_LEFT) {
        const HGDIOBJ old = SelectObject(dc_, font_.Get());
        SetTextColor(dc_, colour);
        RECT r{x, y, x + width, y + 16};
        DrawTextW(dc_, text.c_str(), -1, &r, align | DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc_, old);
    }
    void Fill(RECT r, COLORREF colour) {
        kelo::win::Brush brush(CreateSolidBrush(colour));
        FillRect(dc_, &r, brush.Get());
    }
    COLORREF Colour(SkinColor c) const { return kelo::win::ColorToRGB(c); }
    void Part(SkinPart part, RECT r, int frame) {
        const TSkinElement* e = s_.Part(part);
        if (e) DrawSkinElement(dc_, r, *e, e->frameCount, frame);
    }
    void Button(RECT r, int frame, const std::wstring& caption) {
        DrawSkinElement(dc_, r, s_.buttons, s_.buttons.frameCount, frame);
        Text(r.left, r.top + (r.bottom - r.top - 16) / 2, caption,
             frame == 3 ? Colour(s_.colours.buttonShadow) : Colour(s_.colours.buttonText), r.right - r.left, DT_CENTER);
    }
    void Glyph(const SkinImage& image, int frames, int x, int y, int frame, const std::wstring& label) {
        const int w = image.Width() / frames;
        DrawSkinImage(dc_, {x, y, x + w, y + image.Height()}, {&image}, frames, frame);
        if (!label.empty()) Text(x + w + 5, y + image.Height() / 2 - 8, label, Colour(s_.colours.buttonText));
    }

    void Window(int x, int y, int w, int h, bool active);
    void Dialog(int x, int y, int w, int h, bool active);
    void Menu(int x, int y);
    void Elements(int x, int y);

private:
    void Frame(int x, int y, int w, int h, bool active, const std::wstring& caption, bool maximizeBox);
    const SkinData& s_;
    HDC dc_;
    kelo::win::Font font_;
};

// The frame of a skinned window as the frame painter lays it out: the sides, the caption
// with its text and buttons (close, maximise, minimise from the right), the icon button.
void Sheet::Frame(int x, int y, int w, int h, bool active, const std::wstring& caption, bool maximizeBox) {
    const int f = active ? 1 : 2;
    const auto side = [&](FrameSide s, RECT r, FrameLayout layout) {
        const TSkinBorderElement& e = s_.Side(s);
        ImagePaint p = PaintOf(e);
        p.tileCentre = e.tile != 1;
        p.transparent = true;  // stands for the window region the frame cuts
        DrawSkinImage(dc_, r, p, e.frameCount, f, layout);
    };
    side(FrameSide::Left, {x, y, x + 5, y + h}, FrameLayout::SideBySide);
    side(FrameSide::Right, {x + w - 5, y, x + w, y + h}, FrameLayout::SideBySide);
    side(FrameSide::Bottom, {x + 5, y + h - 5, x + w - 5, y + h}, FrameLayout::Stacked);
    side(FrameSide::Top, {x + 5, y, x + w - 5, y + 29}, FrameLayout::Stacked);
    DrawIconEx(dc_, x + 8, y + 7, LoadIconW(nullptr, IDI_APPLICATION), 16, 16, 0, nullptr, DI_NORMAL);
    Text(x + s_.title.textShift + 10, y + 6 + s_.title.textShiftVert / 2, caption,
         Colour(active ? s_.colours.titleTextActive : s_.colours.titleTextNoActive), w - 120);
    const int hot = active ? 3 : 4;
    for (const TSkinCaptionButtonElement& b : s_.captionButtons) {
        if (b.align != 1 || b.image.Empty() || b.visibility == 1 || (b.action == 1 && !maximizeBox)) continue;
        const int bw = b.image.Width() / b.frameCount;
        const int frame = !active ? 4 : b.action == 1 ? hot : 1;
        DrawSkinImage(dc_, {x + w - b.xCoord, y + b.yCoord, x + w - b.xCoord + bw, y + b.yCoord + b.image.Height()},
                      Keyed(b), b.frameCount, frame);
    }
}

void Sheet::Window(int x, int y, int w, int h, bool active) {
    Frame(x, y, w, h, active, L"上网计时器——Brivo开发绿色版软件", true);
    const int top = y + 29;
    Fill({x + 5, top, x + w - 5, top + 20}, Colour(s_.colours.menubar));
    int itemX = x + 5 + 6;
    const wchar_t* items[] = {L"设置(O)", L"查看(V)", L"Brivo官方(H)"};
    for (int i = 0; i < 3; ++i) {
        SIZE size{};
        const HGDIOBJ old = SelectObject(dc_, font_.Get());
        GetTextExtentPoint32W(dc_, items[i], static_cast<int>(wcslen(items[i])), &size);
        SelectObject(dc_, old);
        if (i == 1 && active) {
            kelo::win::Brush frame(CreateSolidBrush(Colour(s_.colours.buttonHilight)));
            RECT r{itemX, top + 1, itemX + size.cx + 10, top + 19};
            FrameRect(dc_, &r, frame.Get());
        }
        Text(itemX, top + 2, items[i], Colour(s_.colours.menuBarText), size.cx + 10, DT_CENTER);
        itemX += size.cx + 10;
    }
    // The client area: a strip with the month figures, the history list, the status bar.
    const int cx = x + 5, cw = w - 10, cy = top + 20, ch = h - 29 - 20 - 5;
    Fill({cx, cy, cx + cw, cy + ch}, Colour(s_.colours.buttonFace));
    Text(cx + 9, cy + 8, L"本月用时: 12:34:56   本次用时: 01:02:03", RGB(0, 128, 0));
    const int listTop = cy + 30, listBottom = cy + ch - 22;
    Part(SkinPart::SunkEdge, {cx + 4, listTop, cx + cw - 4, listBottom}, active ? 4 : 1);
    Fill({cx + 6, listTop + 2, cx + cw - 6, listBottom - 2}, RGB(255, 255, 255));
    const wchar_t* columns[] = {L"开始时间", L"结束时间", L"上网时间", L""};
    const int widths[] = {130, 130, 80, cw - 12 - 16 - 340};
    int colX = cx + 6;
    for (int i = 0; i < 4; ++i) {
        Part(SkinPart::Headerbar, {colX, listTop + 2, colX + widths[i], listTop + 22}, i == 0 && active ? 3 : 1);
        Text(colX + 6, listTop + 4, columns[i], Colour(s_.colours.buttonText));
        colX += widths[i];
    }
    for (int row = 0; row < 4; ++row) {
        Text(cx + 12, listTop + 26 + row * 18, L"2026-12-0" + std::to_wstring(row + 1) + L" 08:00:00", RGB(28, 32, 38));
        Text(cx + 142, listTop + 26 + row * 18, L"2026-12-0" + std::to_wstring(row + 1) + L" 09:30:00", RGB(28, 32, 38));
        Text(cx + 272, listTop + 26 + row * 18, L"01:30:00", RGB(28, 32, 38));
    }
    // A vertical scroll bar: arrows, track and thumb.
    const int sx = cx + cw - 6 - 16, sTop = listTop + 22, sBottom = listBottom - 2;
    Part(SkinPart::VertScroll, {sx, sTop + 16, sx + 16, sBottom - 16}, 1);
    Part(SkinPart::Scrollbar, {sx, sTop, sx + 16, sTop + 16}, 9);
    Part(SkinPart::Scrollbar, {sx, sBottom - 16, sx + 16, sBottom}, active ? 15 : 13);
    Part(SkinPart::VertScrollThumb, {sx, sTop + 24, sx + 16, sTop + 70}, active ? 2 : 1);
    // The status bar with its panels and the size grip.
    const int by = cy + ch - 22;
    Fill({cx, by, cx + cw, cy + ch}, Colour(s_.colours.buttonFace));
    int panelX = cx;
    for (int width : {200, 150, cw - 350}) {
        Part(SkinPart::StatusBarEdges, {panelX, by, panelX + width, cy + ch}, width == 200 ? 3 : 1);
        panelX += width;
    }
    Text(cx + 8, by + 3, L"主机: KELO-PC", Colour(s_.Part(SkinPart::StatusBarEdges)->normalTextColour));
    const TSkinElement* extra = s_.Part(SkinPart::ExtraImages);
    const int gw = extra->image.Width() / extra->frameCount;
    DrawSkinElement(dc_, {cx + cw - gw, cy + ch - extra->image.Height(), cx + cw, cy + ch}, *extra, 5, 5);
}

// A dialog like the options: buttons, check boxes, radio buttons, a combo box and an edit.
void Sheet::Dialog(int x, int y, int w, int h, bool active) {
    Frame(x, y, w, h, active, L"拖放窗口设置", false);
    const int cx = x + 5, cy = y + 29;
    Fill({cx, cy, x + w - 5, y + h - 5}, Colour(s_.colours.buttonFace));
    const COLORREF text = Colour(s_.colours.buttonText);
    Text(cx + 16, cy + 14, L"字体:", text);
    const RECT combo{cx + 70, cy + 10, cx + 215, cy + 32};
    Part(SkinPart::SunkEdge, combo, 4);
    Fill({combo.left + 2, combo.top + 2, combo.right - 2, combo.bottom - 2}, RGB(255, 255, 255));
    Text(combo.left + 6, combo.top + 3, L"宋体", text);
    const RECT drop{combo.right - 20, combo.top + 2, combo.right - 2, combo.bottom - 2};
    Part(SkinPart::ComboButton, drop, 4);
    const TSkinElement* extra = s_.Part(SkinPart::ExtraImages);
    const int ew = extra->image.Width() / extra->frameCount, eh = extra->image.Height();
    const int ax = (drop.left + drop.right - ew) / 2, ay = (drop.top + drop.bottom - eh) / 2;
    DrawSkinElement(dc_, {ax, ay, ax + ew, ay + eh}, *extra, 5, 4);
    Text(cx + 16, cy + 46, L"窗口透明度:", text);
    Part(SkinPart::SunkEdge, {cx + 100, cy + 42, cx + 215, cy + 64}, 1);
    Fill({cx + 102, cy + 44, cx + 213, cy + 62}, RGB(255, 255, 255));
    Text(cx + 106, cy + 45, L"150", text);
    const TSkinButtonElement& b = s_.buttons;
    Glyph(b.checkImage, b.checkFrameCount, cx + 240, cy + 14, 2, L"拖放窗口透明显示");
    Glyph(b.checkImage, b.checkFrameCount, cx + 240, cy + 36, 1, L"声音");
    Glyph(b.checkImage, b.checkFrameCount, cx + 240, cy + 58, 4, L"使用默认声音");
    Glyph(b.radioImage, b.radioFrameCount, cx + 240, cy + 80, 2, L"标准");
    Glyph(b.radioImage, b.radioFrameCount, cx + 240, cy + 102, 1, L"粗体");
    Glyph(b.radioImage, b.radioFrameCount, cx + 240, cy + 124, 3, L"下划线");
    const int by = y + h - 5 - 44;
    Button({cx + 16, by, cx + 99, by + 31}, active ? 4 : 1, L"确定");
    Button({cx + 116, by, cx + 199, by + 31}, 1, L"取消");
    Button({cx + 216, by, cx + 299, by + 31}, active ? 2 : 3, L"使用默认值");
}

void Sheet::Menu(int x, int y) {
    const int w = 190, itemH = 20;
    const wchar_t* items[] = {L"显示拖放窗口(S)", L"显示主窗口", L"-", L"拖放窗口半透明显示", L"-", L"退出程序(C)"};
    int h = 6;
    for (const wchar_t* item : items) h += item[0] == L'-' ? 8 : itemH;
    const TSkinElement* back = s_.Part(SkinPart::MenuBackground);
    DrawSkinElement(dc_, {x, y, x + w, y + h}, *back, 1, 1);
    const TSkinElement* item = s_.Part(SkinPart::MenuItem);
    int iy = y + 3;
    for (int i = 0; i < 6; ++i) {
        if (items[i][0] == L'-') {
            // The separator: the bottom rows of the item image's second frame.
            const int fw = item->image.Width() / 5, fh = item->image.Height();
            const SkinImage rows = item->image.Crop(fw, fh - 3, fw, 3);
            ImagePaint p{&rows, item->leftWidth, 0, item->rightWidth, 0, false, true};
            DrawSkinImage(dc_, {x + 3, iy + 2, x + w - 3, iy + 5}, p, 1, 1);
            iy += 8;
            continue;
        }
        const bool selected = i == 1;
        DrawSkinElement(dc_, {x + 3, iy, x + w - 3, iy + itemH}, *item, 5, selected ? 4 : 1);
        if (i == 0 || i == 3) Text(x + 3 + item->leftWidth + 4, iy + 2, L"✓", Colour(s_.colours.menuText));
        Text(x + 3 + item->leftWidth + 23, iy + 2, items[i],
             Colour(selected ? s_.colours.hilightText : s_.colours.menuText));
        iy += itemH;
    }
}

void Sheet::Elements(int x, int y) {
    const COLORREF label = RGB(40, 44, 52);
    const auto row = [&](const std::wstring& name, int& rowY, int height) {
        Text(x, rowY + height / 2 - 8, name, label, 120);
        const int top = rowY;
        rowY += height + 10;
        return top;
    };
    int ry = y;
    for (int size = 0; size < 2; ++size) {
        const int w = size ? 120 : 75, h = size ? 31 : 23;
        const int top = row(size ? L"Buttons 120x31" : L"Buttons 75x23", ry, h);
        for (int f = 1; f <= 5; ++f) Button({x + 130 + (f - 1) * (w + 8), top, x + 130 + (f - 1) * (w + 8) + w, top + h}, f, L"确定");
    }
    struct Strip {
        const wchar_t* name;
        SkinPart part;
        int w, h;
    };
    const Strip strips[] = {
        {L"SunkEdge", SkinPart::SunkEdge, 110, 22},       {L"ComboButton", SkinPart::ComboButton, 18, 20},
        {L"ExtraImages", SkinPart::ExtraImages, 12, 12},  {L"Headerbar", SkinPart::Headerbar, 90, 20},
        {L"StatusBarEdges", SkinPart::StatusBarEdges, 110, 20}, {L"MenuItem", SkinPart::MenuItem, 130, 20},
        {L"HorzScroll", SkinPart::HorzScroll, 50, 16},     {L"HorzScrollThumb", SkinPart::HorzScrollThumb, 60, 16},
        {L"VertScroll", SkinPart::VertScroll, 16, 50},     {L"VertScrollThumb", SkinPart::VertScrollThumb, 16, 60},
        {L"MenuBackground", SkinPart::MenuBackground, 110, 40},
    };
    for (const Strip& s : strips) {
        const TSkinElement* e = s_.Part(s.part);
        const int top = row(s.name, ry, s.h);
        for (int f = 1; f <= e->frameCount; ++f) {
            const int fx = x + 130 + (f - 1) * (s.w + 8);
            if (s.part == SkinPart::MenuItem) Fill({fx, top, fx + s.w, top + s.h}, Colour(s_.colours.menu));
            DrawSkinElement(dc_, {fx, top, fx + s.w, top + s.h}, *e, e->frameCount, f);
        }
    }
    const TSkinElement* arrows = s_.Part(SkinPart::Scrollbar);
    const int top = row(L"Scrollbar", ry, 17);
    for (int f = 1; f <= arrows->frameCount; ++f) DrawSkinElement(dc_, {x + 130 + (f - 1) * 20, top, x + 147 + (f - 1) * 20, top + 17}, *arrows, 23, f);
    const int glyphTop = row(L"Check, radio", ry, 13);
    for (int f = 1; f <= 4; ++f) {
        Glyph(s_.buttons.checkImage, s_.buttons.checkFrameCount, x + 130 + (f - 1) * 22, glyphTop, f, L"");
        Glyph(s_.buttons.radioImage, s_.buttons.radioFrameCount, x + 230 + (f - 1) * 22, glyphTop, f, L"");
    }
    const int captionTop = row(L"Caption buttons", ry, 21);
    for (int i = 0; i < 4; ++i) {
        const TSkinCaptionButtonElement& b = s_.captionButtons[i];
        for (int f = 1; f <= b.frameCount; ++f) {
            const int bx = x + 130 + (i * 6 + f - 1) * 24;
            Fill({bx, captionTop, bx + 21, captionTop + 21}, f >= 4 && f <= 5 ? RGB(116, 126, 140) : RGB(65, 79, 96));
            DrawSkinImage(dc_, {bx, captionTop, bx + 21, captionTop + 21}, Keyed(b), b.frameCount, f);
        }
    }
}

TEST(SkinPreview, SheetOfEveryElementFromTheEmbeddedSkin) {
    const auto source = LoadSkinFromStream(WriteSkinStream(kelo::test::EmbeddedSkinFile()));
    ASSERT_FALSE(source->SkinEmpty());
    DibCanvas canvas(1060, 1240, RGB(214, 218, 224));
    Sheet sheet(*source->Skin(), canvas.Dc());
    sheet.Window(20, 20, 520, 330, true);
    sheet.Window(560, 20, 480, 330, false);
    sheet.Dialog(20, 370, 460, 260, true);
    sheet.Dialog(500, 370, 460, 260, false);
    sheet.Menu(860, 640);
    sheet.Elements(20, 650);
    for (int i = 0; i < 4; ++i) ImageList_Draw(source->MenuGlyphs(), i, canvas.Dc(), 860 + 20 * i, 840, ILD_TRANSPARENT);

    // The active caption is the skin's slate, the inactive one lighter.
    EXPECT_EQ(canvas.At(400, 35), RGB(65, 79, 96));
    EXPECT_NE(canvas.At(900, 35), RGB(65, 79, 96));
    const std::string path = kelo::test::BuildDir() + "skin-preview.png";
    std::ofstream(path, std::ios::binary) << kelo::test::EncodePng(canvas.Snapshot());
    EXPECT_TRUE(std::ifstream(path).good()) << path;
}

}  // namespace
