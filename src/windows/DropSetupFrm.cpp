#include "windows/DropSetupFrm.h"

#include "windows/Globals.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/WinText.h"
#include "windows/DropFrm.h"

namespace kelo::app {

namespace {

constexpr const char* kSection = "DropForm";
constexpr int kPreviewPoints = 9;
constexpr int kDefaultOpacity = 150;

// The look of the mini window that the dialog starts from where the file says nothing.
struct MiniLook {
    std::wstring fontName = TFrmDropSetup::kDefaultFontName;
    int styleIndex = 0;
    TColor fontColor = clLime;  // as a mini window starts
    int opacity = kDefaultOpacity;
    TColor formColor = clBlack;
};

int StyleIndexOf(unsigned style) {
    if (style & win::fsBold) return 1;
    if (style & win::fsItalic) return 2;
    if (style & win::fsUnderline) return 3;
    return 0;
}

// What the current mini window shows now, or how a new one starts when there is none.
MiniLook CurrentMiniLook() {
    MiniLook look;
    if (!FrmDrop) return look;
    const win::TFont& font = FrmDrop->LabelsFont();
    look.fontName = font.Name();
    look.styleIndex = StyleIndexOf(font.Style());
    look.fontColor = font.Color();
    look.opacity = FrmDrop->Opacity();
    look.formColor = FrmDrop->FormColor();
    return look;
}

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("mini window settings dialog: no ") + name);
    return component;
}

}  // namespace

unsigned FontStyleOfIndex(int styleIndex) {
    switch (styleIndex) {
    case 1: return win::fsBold;
    case 2: return win::fsItalic;
    case 3: return win::fsUnderline;
    default: return 0;
    }
}

TFrmDropSetup::TFrmDropSetup(win::TComponent* owner, std::string appDir)
    : win::TForm(owner), iniPath_(std::move(appDir) + "Kelo.ini") {
    controls::RegisterPickerClasses();
    SetDialogKeys(true);
    auto on = [this](const char* name, void (TFrmDropSetup::*handler)()) {
        RegisterHandler(name, [this, handler](win::TComponent*) { (this->*handler)(); });
    };
    on("FormCreate", &TFrmDropSetup::FormCreate);
    on("cboxFontChange", &TFrmDropSetup::cboxFontChange);
    on("cboxFontStyleChange", &TFrmDropSetup::cboxFontStyleChange);
    on("cboxColorChange", &TFrmDropSetup::cboxColorChange);
    on("cboxFormColorChange", &TFrmDropSetup::cboxFormColorChange);
    on("edtTransparenceChange", &TFrmDropSetup::edtTransparenceChange);
    on("btnOKClick", &TFrmDropSetup::btnOKClick);
    on("btnCancelClick", &TFrmDropSetup::btnCancelClick);
    on("btnDefaultClick", &TFrmDropSetup::btnDefaultClick);
    LoadFromResource(kResourceName);
}

TFrmDropSetup* TFrmDropSetup::Open(win::TComponent* owner, std::string appDir) {
    auto* dialog = new TFrmDropSetup(owner, std::move(appDir));
    // Each opening is a new dialog: a closed one goes, so that openings add up to nothing.
    dialog->OnClose = [dialog](win::TComponent*) { dialog->Release(); };
    FrmDropSetup = dialog;
    dialog->Show();
    return dialog;
}

TFrmDropSetup::~TFrmDropSetup() {
    if (FrmDropSetup == this) FrmDropSetup = nullptr;
}

void TFrmDropSetup::Loaded() {
    win::TForm::Loaded();
    cboxFont_ = Require<controls::TFontComboBox>(*this, "cboxFont");
    cboxFontStyle_ = Require<win::TComboBox>(*this, "cboxFontStyle");
    cboxColor_ = Require<controls::TColorComboBox>(*this, "cboxColor");
    MemoTest_ = Require<win::TPanel>(*this, "MemoTest");
    edtTransparence_ = Require<win::TEdit>(*this, "edtTransparence");
    udnTransparence_ = Require<win::TUpDown>(*this, "udnTransparence");
    cboxFormColor_ = Require<controls::TColorComboBox>(*this, "cboxFormColor");
}

void TFrmDropSetup::ApplyFontName(const std::wstring& name) {
    if (FrmDrop) FrmDrop->SetLabelsFontName(name);
}

void TFrmDropSetup::ApplyFontColor(TColor color) {
    if (FrmDrop) FrmDrop->SetLabelsFontColor(color);
}

// The mini window counts its styles from bold; the list starts with regular text.
void TFrmDropSetup::ApplyFontStyle(int styleIndex) {
    if (FrmDrop) FrmDrop->SetLabelsStyle(styleIndex - 1);
}

void TFrmDropSetup::FormCreate() {
    win::HandleExceptions(nullptr, [this] { ReadSettings(); });
}

// A value the file does not hold starts from what the mini window shows, so that opening
// the dialog leaves the mini window as it is (its green text would otherwise turn black
// on its black panel).
void TFrmDropSetup::ReadSettings() {
    const win::TIniFile ini(iniPath_);
    const MiniLook now = CurrentMiniLook();
    // A family that is not installed leaves the layout's family chosen.
    const std::wstring stored = win::Widen(ini.ReadString(kSection, "FontName", win::Narrow(now.fontName)));
    cboxFont_->SetFontName(stored);
    if (cboxFont_->FontName().empty()) cboxFont_->SetFontName(kDefaultFontName);
    cboxFontStyle_->SetItemIndex(ini.ReadInteger(kSection, "FontStyle", now.styleIndex));
    cboxColor_->SetSelectedColor(ini.ReadInteger(kSection, "FontColor", now.fontColor));
    udnTransparence_->SetPosition(ini.ReadInteger(kSection, "Transparence", now.opacity));
    cboxFormColor_->SetSelectedColor(ini.ReadInteger(kSection, "FormColor", now.formColor));

    win::TFont& preview = MemoTest_->Font();
    preview.SetName(PickedFontName());
    preview.SetColor(cboxColor_->SelectedColor());
    preview.SetStyle(FontStyleOfIndex(cboxFontStyle_->ItemIndex()));
    preview.SetSize(kPreviewPoints);
}

std::wstring TFrmDropSetup::PickedFontName() const {
    const std::wstring name = cboxFont_->FontName();
    return name.empty() ? kDefaultFontName : name;
}

// A new family shows plain, in the window-text colour, whatever the lists hold.
void TFrmDropSetup::cboxFontChange() {
    win::TFont& preview = MemoTest_->Font();
    preview.SetName(PickedFontName());
    preview.SetColor(clWindowText);
    preview.SetStyle(0);
    preview.SetSize(kPreviewPoints);
    ApplyFontName(PickedFontName());
}

void TFrmDropSetup::cboxFontStyleChange() {
    const int index = cboxFontStyle_->ItemIndex();
    MemoTest_->Font().SetStyle(FontStyleOfIndex(index));
    ApplyFontStyle(index);
}

void TFrmDropSetup::cboxColorChange() {
    MemoTest_->Font().SetColor(cboxColor_->SelectedColor());
    ApplyFontColor(cboxColor_->SelectedColor());
}

// The preview keeps its own background: only the mini window takes the colour.
void TFrmDropSetup::cboxFormColorChange() {
    if (FrmDrop) FrmDrop->SetFormColor(cboxFormColor_->SelectedColor());
}

// The up-down takes only a whole number within its range from the box, so a wrong text
// leaves the last good opacity in force.
void TFrmDropSetup::edtTransparenceChange() {
    if (FrmDrop)
        FrmDrop->SetOpacity(static_cast<uint8_t>(udnTransparence_->Position()));
}

void TFrmDropSetup::btnOKClick() {
    win::TIniFile ini(iniPath_);
    ini.WriteString(kSection, "FontName", win::Narrow(PickedFontName()));
    ini.WriteInteger(kSection, "FontStyle", cboxFontStyle_->ItemIndex());
    ini.WriteInteger(kSection, "FontColor", cboxColor_->SelectedColor());
    ini.WriteInteger(kSection, "Transparence", udnTransparence_->Position());
    ini.WriteInteger(kSection, "FormColor", cboxFormColor_->SelectedColor());
    Close();
}

// What was applied to the mini window stays; the stored look returns with the next one.
void TFrmDropSetup::btnCancelClick() { Close(); }

// The style list moves back without its change event, so the preview and the mini
// window keep their style; the colours and the opacity go back through theirs, to the
// look a mini window starts with.
void TFrmDropSetup::btnDefaultClick() {
    const MiniLook start;
    cboxFontStyle_->SetItemIndex(0);
    cboxColor_->SetSelectedColor(start.fontColor);
    udnTransparence_->SetPosition(start.opacity);
    // A box that already shows the number reports no change, yet another dialog may
    // have given the mini window another opacity since.
    edtTransparenceChange();
    cboxFormColor_->SetSelectedColor(start.formColor);
}

}  // namespace kelo::app
