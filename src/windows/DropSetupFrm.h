#pragma once
#include <string>

#include "controls/PickerCombos.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace kelo::app {

class TFrmDrop;

// The mini window settings dialog: font, style and colour of the mini window's text,
// its opacity and its background colour. Every change shows at once in the preview and
// on the current mini window (FrmDrop, whichever window that is at the moment); "确定"
// stores the five values in section "DropForm" of "Kelo.ini". It does not block the
// other windows, and several may be open.
class TFrmDropSetup : public win::TForm {
    KELO_CLASS(TFrmDropSetup, win::TForm)
public:
    static constexpr const wchar_t* kResourceName = L"DROPSETUPFRM";
    // The family the dialog starts from, and stores when the picker has none chosen.
    static constexpr const wchar_t* kDefaultFontName = L"宋体";

    // Builds the dialog and fills it from appDir + "Kelo.ini", which already changes
    // the current mini window's colours; it starts hidden.
    TFrmDropSetup(win::TComponent* owner, std::string appDir);
    ~TFrmDropSetup() override;
    // A new dialog owned by the requesting window, shown without blocking; it is freed
    // when it is closed, or goes with its owner.
    static TFrmDropSetup* Open(win::TComponent* owner, std::string appDir);

    void Loaded() override;

    // Give the four labels of the current mini window one look each.
    static void ApplyFontName(const std::wstring& name);
    static void ApplyFontColor(TColor color);
    static void ApplyFontStyle(int styleIndex);

private:
    void FormCreate();
    void ReadSettings();
    void cboxFontChange();
    void cboxFontStyleChange();
    void cboxColorChange();
    void cboxFormColorChange();
    void edtTransparenceChange();
    void btnOKClick();
    void btnCancelClick();
    void btnDefaultClick();
    // The chosen family, or the default one when the picker has no selection.
    std::wstring PickedFontName() const;

    std::string iniPath_;
    controls::TFontComboBox* cboxFont_ = nullptr;
    win::TComboBox* cboxFontStyle_ = nullptr;
    controls::TColorComboBox* cboxColor_ = nullptr;
    win::TPanel* MemoTest_ = nullptr;
    win::TEdit* edtTransparence_ = nullptr;
    win::TUpDown* udnTransparence_ = nullptr;
    controls::TColorComboBox* cboxFormColor_ = nullptr;
};

// The mini window settings dialog opened last, while it exists.
inline TFrmDropSetup* FrmDropSetup = nullptr;

// The font style of a style list index: "标准", "粗体", "斜体", "下划线".
unsigned FontStyleOfIndex(int styleIndex);

}  // namespace kelo::app
