#include <windows.h>
#include <winspool.h>

#include <set>
#include <vector>

#include "controls/PickerCombos.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/StdCtrls.h"
#include "framework/WinText.h"

namespace kelo::controls {

using namespace kelo::win;

namespace {

struct FamilyEntry {
    std::wstring name;
    unsigned pitchAndFamily;
};

struct EnumContext {
    TFontFilter filter;
    bool showSymbolFonts;
    std::vector<FamilyEntry> families;
    std::set<std::wstring> names;
};

// Called once for each character set of a family: the family is listed once.
int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD, LPARAM context) {
    auto& c = *reinterpret_cast<EnumContext*>(context);
    const unsigned pitchAndFamily = metrics->tmPitchAndFamily;
    if (!FontListed(c.filter, pitchAndFamily, font->lfCharSet, c.showSymbolFonts)) return 1;
    std::wstring name = FaceNameEntry(font->lfFaceName);
    if (c.names.insert(name).second) c.families.push_back({std::move(name), pitchAndFamily});
    return 1;
}

// A DC of the device whose fonts are listed; nothing when there is no printer.
class DeviceDC {
public:
    explicit DeviceDC(TFontDevice device) {
        if (device == TFontDevice::fdScreen) {
            dc_ = GetDC(nullptr);
            return;
        }
        DWORD size = 0;
        GetDefaultPrinterW(nullptr, &size);
        if (size == 0) return;
        std::wstring printer(size, L'\0');
        if (!GetDefaultPrinterW(printer.data(), &size)) return;
        dc_ = CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
        printer_ = true;
    }
    ~DeviceDC() {
        if (!dc_) return;
        if (printer_) DeleteDC(dc_);
        else ReleaseDC(nullptr, dc_);
    }
    DeviceDC(const DeviceDC&) = delete;
    DeviceDC& operator=(const DeviceDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_ = nullptr;
    bool printer_ = false;
};

// The combo box's list as the recently used families change it.
class ComboEntries : public FontEntryList {
public:
    explicit ComboEntries(TFramedComboBox& combo) : combo_(combo) {}
    std::wstring Text(int index) const override { return combo_.ItemText(index); }
    void MoveToTop(int index) override {
        const std::wstring text = combo_.ItemText(index);
        const LPARAM data = combo_.ItemData(index);
        combo_.DeleteItem(index);
        combo_.InsertItem(0, text, data);
    }
    void InsertCopyAtTop(int index) override {
        combo_.InsertItem(0, combo_.ItemText(index), combo_.ItemData(index));
    }

private:
    TFramedComboBox& combo_;
};

void TextClipped(HDC dc, int x, int y, const RECT& clip, const std::wstring& text) {
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

}  // namespace

TFontComboBox::TFontComboBox(TComponent* owner) : TFramedComboBox(owner) {
    SetSorted(true);
    SetDropDownCount(14);
    preview_ = new TFontPreviewPanel(this, *this);
}

TFontComboBox::~TFontComboBox() = default;

// ---------------------------------------------------------------------------------
// Properties

void TFontComboBox::SetFontDevice(TFontDevice device) {
    if (device == fontDevice_) return;
    fontDevice_ = device;
    RebuildList();
}

void TFontComboBox::SetFontType(TFontFilter filter) {
    if (filter == fontType_) return;
    fontType_ = filter;
    RebuildList();
}

void TFontComboBox::SetShowSymbolFonts(bool show) {
    if (show == showSymbolFonts_) return;
    showSymbolFonts_ = show;
    RebuildList();
}

void TFontComboBox::SetShowStyle(TFontShowStyle style) {
    showStyle_ = style;
    Invalidate();
}

void TFontComboBox::SetPreviewFontSize(int size) {
    previewFontSize_ = size;
    preview_->Font().SetSize(size);
}

void TFontComboBox::SetPreviewHeight(int height) {
    previewHeight_ = height;
    preview_->SetHeight(height);
}

void TFontComboBox::SetPreviewWidth(int width) {
    previewWidth_ = width;
    preview_->SetWidth(width);
}

std::wstring TFontComboBox::FontName() const {
    if (!HandleAllocated()) return savedName_;
    return ItemText(ItemIndex());
}

void TFontComboBox::SetFontName(const std::wstring& name) {
    savedName_ = name;
    if (!HandleAllocated()) return;
    // The system's exact search ignores case, as a family name should.
    const LRESULT found = Perform(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(name.c_str()));
    SetItemIndex(name.empty() ? -1 : static_cast<int>(found));
}

TFont* TFontComboBox::SelectedFont() {
    const std::wstring name = FontName();
    if (name.empty()) return nullptr;
    if (!selectedFont_) selectedFont_ = std::make_unique<TFont>();
    selectedFont_->SetName(name);
    selectedFont_->SetCharset(DEFAULT_CHARSET);
    selectedFont_->SetSize(fontSize_);
    selectedFont_->SetStyle(fontStyle_);
    return selectedFont_.get();
}

// ---------------------------------------------------------------------------------
// The list

void TFontComboBox::BuildList() {
    ClearItems();
    recentLast_ = -1;
    EnumContext context{fontType_, showSymbolFonts_, {}, {}};
    DeviceDC dc(fontDevice_);
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    if (dc.Get()) EnumFontFamiliesExW(dc.Get(), &all, AddFamily, reinterpret_cast<LPARAM>(&context), 0);
    for (const FamilyEntry& f : context.families) AddItem(f.name, static_cast<LPARAM>(f.pitchAndFamily));
}

void TFontComboBox::RebuildList() {
    if (!HandleAllocated()) return;
    SaveState();
    BuildList();
    RestoreState();
}

void TFontComboBox::SaveState() { savedName_ = FontName(); }

void TFontComboBox::RestoreState() {
    if (!savedName_.empty()) SetFontName(savedName_);
}

// ---------------------------------------------------------------------------------
// Drawing

win::Font TFontComboBox::SampleFont(const std::wstring& family) const {
    return win::Font(CreateFontW(Font().Height(), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, family.c_str()));
}

void TFontComboBox::DrawGlyph(HDC dc, unsigned pitchAndFamily, int x, int y) {
    if (!glyphsLoaded_) {
        glyphsLoaded_ = true;
        for (int g = 0; g < static_cast<int>(glyphs_.size()); ++g) {
            glyphs_[g].Reset(static_cast<HBITMAP>(
                LoadImageW(Application().InstanceHandle(),
                           GlyphResourceName(static_cast<FontGlyph>(g)), IMAGE_BITMAP, 0, 0, 0)));
        }
    }
    const Bitmap& glyph = glyphs_[static_cast<int>(GlyphFor(pitchAndFamily, fontDevice_))];
    if (!glyph) return;
    // The glyph's transparent pixels show the control's colour, also on a selected entry.
    MemoryDC back(dc, kFontGlyphSize, kFontGlyphSize);
    {
        TCanvas canvas(back.Get());
        canvas.SetBrushColor(Color());
        canvas.FillRect({0, 0, kFontGlyphSize, kFontGlyphSize});
    }
    HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(source, glyph.Get());
    TransparentBlt(back.Get(), 0, 0, kFontGlyphSize, kFontGlyphSize, source, 0, 0, kFontGlyphSize,
                   kFontGlyphSize, ColorToRGB(kGlyphTransparentColor));
    SelectObject(source, old);
    DeleteDC(source);
    back.BlitTo(dc, x, y);
}

void TFontComboBox::DrawItem(TCanvas& canvas, int index, RECT rect, UINT state) {
    const bool field = (state & ODS_COMBOBOXEDIT) != 0;
    RECT r{rect.left + 24, rect.top, rect.right - 1, rect.bottom};
    canvas.FillRect(r);
    if (index < 0) return;
    HDC dc = canvas.Handle();
    const int height = r.bottom - r.top;
    const std::wstring name = ItemText(index);
    DrawGlyph(dc, static_cast<unsigned>(ItemData(index)), r.left - 20,
              r.top + (height - kFontGlyphSize) / 2);
    const int y = r.top + (height - TextHeight(canvas)) / 2;
    TFontShowStyle style = showStyle_;
    if (field && style == TFontShowStyle::ssFontNameAndSample) style = TFontShowStyle::ssFontName;

    switch (style) {
    case TFontShowStyle::ssFontName:
    case TFontShowStyle::ssFontPreview: TextClipped(dc, r.left + 2, y, r, name); break;
    case TFontShowStyle::ssFontSample: {
        const win::Font sample = SampleFont(name);
        SavedDC saved(dc);
        SelectObject(dc, sample.Get());
        TextClipped(dc, r.left + 2, y, r, name);
        break;
    }
    case TFontShowStyle::ssFontNameAndSample: {
        const int mid = r.left + (r.right - r.left) / 2;
        TextClipped(dc, r.left + 2, y, {r.left, r.top, mid - 4, r.bottom}, name);
        const TColor text = canvas.PenColor();
        canvas.SetPenColor(Enabled() ? clWindowText : clBtnShadow);
        canvas.MoveTo(mid - 2, r.top);
        canvas.LineTo(mid - 2, r.bottom);
        canvas.SetPenColor(text);
        const win::Font sample = SampleFont(name);
        SavedDC saved(dc);
        SelectObject(dc, sample.Get());
        TextClipped(dc, mid, y, {mid, r.top, r.right, r.bottom}, name);
        break;
    }
    }

    // The entry under the mouse in the open list is the focused one.
    if (showStyle_ == TFontShowStyle::ssFontPreview && (state & (ODS_FOCUS | ODS_SELECTED)) && !field) {
        preview_->Font().SetName(name);
        preview_->Font().SetCharset(DEFAULT_CHARSET);
        preview_->Invalidate();
    }
    if (maintainMRUFonts_ && index == recentLast_ && !field) {
        // The divider under the recently used families.
        canvas.SetPenColor(clWindowText);
        canvas.MoveTo(0, rect.bottom - 1);
        canvas.LineTo(rect.right, rect.bottom - 1);
    }
}

// ---------------------------------------------------------------------------------
// Close-up

void TFontComboBox::CloseUp(bool cancelled) {
    HidePreview();
    if (maintainMRUFonts_) {
        ComboEntries entries(*this);
        const int selected = ItemIndex();
        const int now = RememberRecentFont(entries, recentLast_, selected);
        if (now != selected) SetItemIndex(now);
    }
    TFramedComboBox::CloseUp(cancelled);
}

// ---------------------------------------------------------------------------------
// Form descriptions

bool TFontComboBox::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "FontDevice") {
        SetFontDevice(ValueFromNames<TFontDevice>(
            {{"fdScreen", TFontDevice::fdScreen}, {"fdPrinter", TFontDevice::fdPrinter}}, value,
            "font device"));
    } else if (name == "FontName") SetFontName(Widen(ValueText(value)));
    else if (name == "FontSize") SetFontSize(ValueInt(value));
    else if (name == "FontStyle") {
        if (value.kind != FormValue::Kind::Set) throw KeloError("form description: a set expected");
        unsigned style = 0;
        for (const std::string& s : value.items) {
            style |= ValueFromNames<unsigned>({{"fsBold", fsBold}, {"fsItalic", fsItalic},
                                               {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}},
                                              FormValue{FormValue::Kind::Ident, 0, s, {}, {}}, "font style");
        }
        SetFontStyle(style);
    } else if (name == "FontType") {
        SetFontType(ValueFromNames<TFontFilter>(
            {{"ftAll", TFontFilter::ftAll}, {"ftTrueType", TFontFilter::ftTrueType},
             {"ftFixedPitch", TFontFilter::ftFixedPitch}, {"ftPrinter", TFontFilter::ftPrinter}},
            value, "font type"));
    } else if (name == "MaintainMRUFonts") SetMaintainMRUFonts(ValueBool(value));
    else if (name == "PreviewEdit") {
        auto* edit = Owner() ? Owner()->Find<TCustomEdit>(ValueIdent(value)) : nullptr;
        if (!edit) throw KeloError("form description: no edit " + value.text);
        SetPreviewEdit(edit);
    } else if (name == "PreviewFontSize") SetPreviewFontSize(ValueInt(value));
    else if (name == "PreviewHeight") SetPreviewHeight(ValueInt(value));
    else if (name == "PreviewWidth") SetPreviewWidth(ValueInt(value));
    else if (name == "PreviewText") SetPreviewText(Widen(ValueText(value)));
    else if (name == "ShowSymbolFonts") SetShowSymbolFonts(ValueBool(value));
    else if (name == "ShowStyle") {
        SetShowStyle(ValueFromNames<TFontShowStyle>(
            {{"ssFontName", TFontShowStyle::ssFontName},
             {"ssFontSample", TFontShowStyle::ssFontSample},
             {"ssFontNameAndSample", TFontShowStyle::ssFontNameAndSample},
             {"ssFontPreview", TFontShowStyle::ssFontPreview}},
            value, "font show style"));
    } else return TFramedComboBox::ReadProperty(name, value);
    return true;
}

void TFontComboBox::Notification(TComponent* component, TOperation operation) {
    TFramedComboBox::Notification(component, operation);
    if (operation == TOperation::opRemove && component == previewEdit_) previewEdit_ = nullptr;
}

}  // namespace kelo::controls
