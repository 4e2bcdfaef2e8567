#include "skin/data/SkinData.h"

#include <algorithm>
#include <climits>

#include "skin/data/SkinIni.h"

namespace kelo::skin {

namespace {

constexpr const char* kPersonality = "Personality";
constexpr const char* kSideNames[] = {"Left", "Right", "Top", "Bottom"};

enum class Loader { Generic, Border, Mirrored };

struct PartInfo {
    const char* section;
    Loader loader;
    const char* secondImageKey;
    int32_t frames;  // 0: from the section's FrameCount key
};

constexpr PartInfo kParts[kSkinPartCount] = {
    {"GroupBoxEdge", Loader::Generic, nullptr, 2},
    {"Toolbars", Loader::Generic, nullptr, 5},
    {"Tabs", Loader::Border, "Border", 5},
    {"StatusBarEdges", Loader::Generic, nullptr, 3},
    {"ComboButton", Loader::Mirrored, nullptr, 4},
    {"SunkEdge", Loader::Generic, nullptr, 4},
    {"ExtraImages", Loader::Generic, nullptr, 5},
    {"Headerbar", Loader::Generic, nullptr, 5},
    {"MenuItem", Loader::Generic, nullptr, 5},
    {"MenuBackground", Loader::Generic, nullptr, 1},
    {"Scrollbar", Loader::Generic, nullptr, 23},
    {"HorzScroll", Loader::Generic, nullptr, 4},
    {"VertScroll", Loader::Generic, nullptr, 4},
    {"HorzScrollThumb", Loader::Generic, nullptr, 0},
    {"VertScrollThumb", Loader::Generic, nullptr, 0},
    {"Trackbar.ThumbHorz", Loader::Generic, nullptr, 5},
    {"Trackbar.ThumbVert", Loader::Generic, nullptr, 5},
    {"Trackbar.ThumbLeft", Loader::Generic, nullptr, 5},
    {"Trackbar.ThumbRight", Loader::Generic, nullptr, 5},
    {"Trackbar.ThumbUp", Loader::Generic, nullptr, 5},
    {"Trackbar.ThumbDown", Loader::Generic, nullptr, 5},
    {"UpDown.Horz", Loader::Border, "GlyphImage", 8},
    {"UpDown.Vert", Loader::Border, "GlyphImage", 8},
};

// Images are found by their file-name part alone; the extension must be ".bmp" exactly.
SkinImage LoadBitmap(const TSkinArchiveReader& archive, std::string_view fileName) {
    const size_t slash = fileName.find_last_of("\\/:");
    const std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (name.empty() || dot == std::string_view::npos || name.substr(dot) != ".bmp") return {};
    const std::string bytes = archive.ExtractByName(name);
    return bytes.empty() ? SkinImage() : SkinImage::FromBmp(bytes);
}

class SkinReader {
public:
    SkinReader(const SkinIniFile& ini, const TSkinArchiveReader& archive) : ini_(ini), archive_(archive) {}

    SkinImage Image(std::string_view section, std::string_view key) const {
        return LoadBitmap(archive_, ini_.ReadString(section, key));
    }
    int32_t Int(std::string_view section, std::string_view key, int32_t def) const {
        return ini_.ReadInteger(section, key, def);
    }
    SkinColor Colour(std::string_view section, std::string_view key, SkinColor def) const {
        return ParseSkinColour(ini_.ReadString(section, key), def);
    }
    bool HasValue(std::string_view section, std::string_view key) const {
        return !ini_.ReadString(section, key).empty();
    }

    void Margins(std::string_view section, TSkinElement& e) const {
        e.leftWidth = Int(section, "LeftWidth", 0);
        e.rightWidth = Int(section, "RightWidth", 0);
        e.topHeight = Int(section, "TopHeight", 0);
        e.bottomHeight = Int(section, "BottomHeight", 0);
        e.trans = Int(section, "Trans", 0);
        e.tile = Int(section, "Tile", 0);
    }
    void StateColours(std::string_view section, TSkinElement& e, SkinColor textDefault) const {
        e.normalColour = Int(section, "NormalColour", kNoColor);
        e.mouseOverColour = Int(section, "MouseOverColour", kNoColor);
        e.pressedColour = Int(section, "PressedColour", kNoColor);
        e.normalTextColour = Colour(section, "NormalColour2", textDefault);
        e.mouseOverTextColour = Colour(section, "MouseOverColour2", textDefault);
        e.pressedTextColour = Colour(section, "PressedColour2", textDefault);
    }

    const SkinIniFile& ini_;
    const TSkinArchiveReader& archive_;
};

void ReadSides(const SkinReader& in, SkinData& skin) {
    for (size_t i = 0; i < skin.sides.size(); ++i) {
        const std::string side = kSideNames[i];
        TSkinBorderElement& e = skin.sides[i];
        e.image = in.Image(kPersonality, side);
        const int32_t first = in.Int(kPersonality, side + "TopHeight", 0);
        const int32_t second = in.Int(kPersonality, side + "BotHeight", 0);
        const bool vertical = i < 2;  // Left and Right run down the window
        e.topHeight = vertical ? first : 0;
        e.bottomHeight = vertical ? second : 0;
        e.leftWidth = vertical ? 0 : first;
        e.rightWidth = vertical ? 0 : second;
        e.frameCount = in.Int(kPersonality, side + "Frame", 1);
        e.tile = in.Int(kPersonality, side + "Stretch", 1);
        e.trans = in.Int(kPersonality, side + "Trans", 1);
    }
}

void ReadColours(const SkinReader& in, const std::vector<std::string>& sections, SkinData& skin) {
    constexpr const char* c = "Colours";
    SkinColourSet& set = skin.colours;
    set.windowText = in.Colour(c, "WindowText", clWindowText);
    set.buttonFace = in.Colour(c, "ButtonFace", clBtnFace);
    set.scrollbar = in.Colour(c, "Scrollbar", clScrollBar);
    set.hilightText = in.Colour(c, "HilightText", clHighlightText);
    set.hilight = in.Colour(c, "Hilight", clHighlight);
    set.menubar = in.Colour(c, "Menubar", set.buttonFace);
    set.menu = in.Colour(c, "Menu", clMenu);
    set.menuText = in.Colour(c, "MenuText", clMenuText);
    set.buttonText = in.Colour(c, "ButtonText", clBtnText);
    set.buttonHilight = in.Colour(c, "ButtonHilight", clBtnHighlight);
    set.buttonlight = in.Colour(c, "Buttonlight", clBtnHighlight);
    set.buttonShadow = in.Colour(c, "ButtonShadow", clBtnShadow);
    set.buttonDkShadow = in.Colour(c, "ButtonDkShadow", clBtnShadow);
    set.menuBarText = in.Colour(c, "MenuBarText", clMenuText);
    set.titleTextActive = in.Colour(c, "TitleTextActive", clCaptionText);
    set.titleTextNoActive = in.Colour(c, "TitleTextNoActive", clInactiveCaptionText);
    for (const std::string& name : sections) {
        const std::string upper = UpperAscii(name);
        if (upper.rfind("COLOUR", 0) == 0 && upper != "COLOURS") {
            skin.extraColours.push_back(in.Colour(name, "color", clWindowText));
        }
    }
}

void ReadCaptionButtons(const SkinReader& in, const std::vector<std::string>& sections, SkinData& skin) {
    for (const std::string& name : sections) {
        const std::string upper = UpperAscii(name);
        if (upper.rfind("BUTTON", 0) != 0 || upper == "BUTTONS" || upper == "BUTTON.RADIO" ||
            upper == "BUTTON.CHECKBOX") {
            continue;
        }
        TSkinCaptionButtonElement& b = skin.captionButtons.emplace_back();
        b.name = upper;
        b.action = in.Int(name, "Action", 0);
        b.align = in.Int(name, "Align", 0);
        b.xCoord = in.Int(name, "Xcoord", 0);
        b.yCoord = in.Int(name, "Ycoord", 0);
        b.visibility = in.Int(name, "Visibility", 0);
        b.visibility1 = in.Int(name, "Visibility1", 0);
        b.combineOp = in.Int(name, "CombineOp", -1);
        b.frameCount = in.Int(name, "frame", 0);
        b.image = in.Image(name, "ButtonImage");
        if (b.frameCount == 0) {
            b.frameCount = CaptionButtonFrameCount(b.image, b.action);
            // The system-menu buttons show the window's icon instead.
            if (b.action == 3 || b.action == 11) b.image = SkinImage();
        }
    }
    // The minimise, restore and close buttons of a maximised MDI child, in the menu bar.
    const SkinImage mdi = in.Image("MDICONTROLS", "Image");
    const int u = mdi.Width() / 12;
    constexpr const char* kMdiNames[] = {"MDI.MINIMIZE", "MDI.RESTORE", "MDI.CLOSE"};
    for (int i = 0; i < 3; ++i) {
        TSkinCaptionButtonElement& b = skin.captionButtons.emplace_back();
        b.name = kMdiNames[i];
        b.action = 7 + i;
        b.align = 100;
        b.visibility = b.visibility1 = 100;
        b.frameCount = 4;
        if (!mdi.Empty()) {
            b.image = mdi.Crop(4 * u * i, 0, 4 * u, mdi.Height());
            b.xCoord = (u + 4) * (3 - i);
        }
    }
}

void ReadPushButtons(const SkinReader& in, SkinData& skin) {
    constexpr const char* s = "Buttons";
    TSkinButtonElement& b = skin.buttons;
    b.image = in.Image(s, "Bitmap");
    in.Margins(s, b);
    b.checkImage = in.Image(s, "CheckButton");
    b.radioImage = in.Image(s, "RadioButton");
    in.StateColours(s, b, skin.colours.buttonText);
    b.radioFrameCount = in.Int(s, "RadioButtonFrame", 0);
    b.checkFrameCount = in.Int(s, "CheckButtonFrame", 0);
}

void ReadTitle(const SkinReader& in, SkinData& skin) {
    TSkinTitleElement& t = skin.title;
    t.image = in.Image(kPersonality, "TextBack");
    t.textShift = in.Int(kPersonality, "TextShift", 0);
    t.textShiftVert = in.Int(kPersonality, "TextShiftVert", 0);
    t.textRightClip = in.Int(kPersonality, "TextRightClip", 0);
    t.textAlignment = in.Int(kPersonality, "TextAlignment", 0);
    t.textBackground = in.Int(kPersonality, "Textbackground", 0);
    t.textBackLeft = in.Int(kPersonality, "TXTBackleft", 0);
    t.textBackRight = in.Int(kPersonality, "TXTBackRight", 0);
    t.fontHeight = in.Int("Fonts", "FontHeight", 14);
    const auto rgb = [&](const char* prefix) {
        const std::string p = prefix;
        const int32_t r = in.Int(kPersonality, p + "R", -1);
        const int32_t g = in.Int(kPersonality, p + "G", -1);
        const int32_t b = in.Int(kPersonality, p + "B", -1);
        return r >= 0 && g >= 0 && b >= 0 ? Rgb(r, g, b) : kNoTitleColor;
    };
    t.activeTextColour = rgb("ActiveText");
    t.inactiveTextColour = rgb("InActiveText");
}

void ReadProgressAndMenuBar(const SkinReader& in, SkinData& skin) {
    if (in.HasValue("Progress", "Bitmap")) {
        auto p = std::make_unique<TSkinBorderElement>();
        p->name = "Progress";
        p->image = in.Image("Progress", "Bitmap");
        p->image2 = in.Image("Progress", "Chunk");
        p->style = in.Int("Progress", "Style", 0);
        in.Margins("Progress", *p);
        skin.progress = std::move(p);
    }
    if (in.HasValue(kPersonality, "menuBar")) {
        auto m = std::make_unique<TSkinElement>();
        m->name = "menuBar";
        m->image = in.Image(kPersonality, "menuBar");
        m->tile = in.Int(kPersonality, "TileMenu", 0);
        m->leftWidth = in.Int(kPersonality, "TileLeftMenu", 1);
        m->rightWidth = in.Int(kPersonality, "TileRightMenu", 1);
        skin.menuBar = std::move(m);
    }
}

std::unique_ptr<TSkinElement> ReadPart(const SkinReader& in, const PartInfo& info, SkinColor textDefault) {
    const char* s = info.section;
    if (!in.HasValue(s, "Image")) return nullptr;
    std::unique_ptr<TSkinElement> e;
    if (info.loader == Loader::Generic) {
        e = std::make_unique<TSkinElement>();
        e->style = in.Int(s, "Style", 0);
    } else {
        e = std::make_unique<TSkinBorderElement>();
    }
    e->name = s;
    e->image = in.Image(s, "Image");
    in.Margins(s, *e);
    if (e->tile > 1) e->tile = 0;
    in.StateColours(s, *e, textDefault);
    if (info.loader == Loader::Border) {
        static_cast<TSkinBorderElement&>(*e).image2 = in.Image(s, info.secondImageKey);
    } else if (info.loader == Loader::Mirrored && !e->image.Empty()) {
        // The combo button for windows with the scroll bar on the left.
        static_cast<TSkinBorderElement&>(*e).image2 = e->image.MirrorLeftRight();
    }
    e->frameCount = info.frames != 0 ? info.frames : in.Int(s, "FrameCount", 3);
    return e;
}

}  // namespace

const char* SkinPartSection(SkinPart part) { return kParts[static_cast<size_t>(part)].section; }

SkinData::SkinData() {
    for (size_t i = 0; i < sides.size(); ++i) sides[i].name = kSideNames[i];
    title.name = "Title";
    buttons.name = "Buttons";
}

SkinColor ParseSkinColour(std::string_view text, SkinColor def) {
    if (text.empty()) return def;
    text = TrimAscii(text);
    int components[3] = {0, 0, 0};
    int stored = 0;
    const auto store = [&](std::string_view digits) {
        long long value = 0;
        for (char d : digits) {
            value = value * 10 + (d - '0');
            if (value > INT_MAX) return;  // does not convert: dropped
        }
        if (stored < 3) components[stored] = static_cast<int>(value % 256);
        ++stored;
    };
    size_t runStart = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (digit && runStart == std::string_view::npos) runStart = i;
        if (!digit && runStart != std::string_view::npos) {
            store(text.substr(runStart, i - runStart));
            runStart = std::string_view::npos;
        }
    }
    if (runStart != std::string_view::npos && stored == 2) store(text.substr(runStart));
    return Rgb(components[0], components[1], components[2]);
}

int32_t CaptionButtonFrameCount(const SkinImage& image, int32_t action) {
    int32_t frames = 6;
    if (!image.Empty()) frames = static_cast<double>(image.Width()) / image.Height() <= 3.8 ? 3 : 6;
    if (action < 0) frames = 6;
    return frames;
}

int32_t GlyphFrameCount(const SkinImage& image, int32_t keyValue) {
    if (keyValue != 0) return keyValue;
    return std::max(image.Width() / (image.Height() < 16 ? 13 : 16), 4);
}

SkinData ParseSkinIni(const SkinIniFile& ini, const TSkinArchiveReader& archive) {
    const SkinReader in(ini, archive);
    const std::vector<std::string> sections = ini.SectionNames();
    SkinData skin;
    skin.skinName = ini.ReadString("TitlebarSkin", "SkinName");
    ReadSides(in, skin);
    ReadColours(in, sections, skin);
    ReadCaptionButtons(in, sections, skin);
    ReadPushButtons(in, skin);
    ReadTitle(in, skin);
    ReadProgressAndMenuBar(in, skin);
    for (size_t i = 0; i < kSkinPartCount; ++i) skin.parts[i] = ReadPart(in, kParts[i], skin.colours.buttonText);

    skin.buttons.frameCount = 5;
    skin.buttons.checkFrameCount = GlyphFrameCount(skin.buttons.checkImage, skin.buttons.checkFrameCount);
    skin.buttons.radioFrameCount = GlyphFrameCount(skin.buttons.radioImage, skin.buttons.radioFrameCount);
    skin.title.frameCount = 2;
    if (skin.progress) skin.progress->frameCount = 2;
    if (skin.menuBar) skin.menuBar->frameCount = 2;
    return skin;
}

std::unique_ptr<SkinData> ParseSkinFile(std::string_view skinFile, ArchiveOpenResult* result) {
    TSkinArchiveReader archive;
    const bool opened = archive.Open(skinFile);
    if (result) *result = archive.LastResult();
    if (!opened) return nullptr;
    const SkinIniFile ini(archive.ExtractByPart(".ini"));
    return std::make_unique<SkinData>(ParseSkinIni(ini, archive));
}

}  // namespace kelo::skin
