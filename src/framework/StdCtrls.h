#pragma once
#include <map>
#include <string>
#include <vector>

#include "framework/Control.h"

namespace kelo::win {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Reading the controls' properties.
[[noreturn]] void ThrowUnknownName(const char* what, const std::string& name);
// An identifier of a form description looked up in a table of names.
template <class T>
T ValueFromNames(const std::map<std::string, T>& names, const FormValue& value, const char* what) {
    auto it = names.find(ValueIdent(value));
    if (it == names.end()) ThrowUnknownName(what, value.text);
    return it->second;
}
TAlignment AlignmentFromName(const FormValue& value);
// BorderStyle: bsSingle (true) or bsNone (false).
bool SingleBorderFromName(const FormValue& value);
// The items of a collection property: Columns = < item ... end item ... end >.
const std::vector<std::vector<FormProperty>>& CollectionItems(const FormValue& value);
// Properties of the layouts that the system's controls draw their own way: a 3D or a
// flat frame, and the input method of the editing controls. Read and left to the system.
bool IsSystemAppearanceProperty(const std::string& name);

// The system's edit control. Text is the control's caption and follows what the user
// types.
class TCustomEdit : public TWinControl {
    KELO_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* owner);
    const std::wstring& Text() const { return Caption(); }
    void SetText(std::wstring text) { SetCaption(std::move(text)); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);

    TNotifyEvent OnChange;

    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    void CaptionChanged() override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool readOnly_ = false;
    bool border_ = true;
    int maxLength_ = 0;
};

class TEdit : public TCustomEdit {
    KELO_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* owner);
};

// A multi-line edit; its lines are the text split at line breaks.
class TMemo : public TCustomEdit {
    KELO_CLASS(TMemo, TCustomEdit)
public:
    explicit TMemo(TComponent* owner);
    std::vector<std::wstring> Lines() const;
    void SetLines(const std::vector<std::wstring>& lines);
    // Adds a line at the end and scrolls to it.
    void AppendLine(const std::wstring& line);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    bool WordWrap() const { return wordWrap_; }

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool wordWrap_ = true;
};

// The system's BUTTON class. It reports its own clicks (BN_CLICKED), so a click arrives
// once and also from the keyboard.
class TButtonControl : public TWinControl {
    KELO_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* owner);

protected:
    void CreateParamsFor(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// A push button. A click sets the modal result of its form (when the button has one),
// then runs OnClick.
class TButton : public TButtonControl {
    KELO_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return default_; }
    bool Cancel() const { return cancel_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    void Click() override;

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

// A button with a mark of its own (check box, radio button): the mark is kept until the
// window exists and read from the window afterwards.
class TMarkButton : public TButtonControl {
    KELO_CLASS(TMarkButton, TButtonControl)
public:
    bool Checked() const;
    // Changes the mark without running OnClick (only the user's clicks do); a radio
    // button's others keep theirs.
    void SetChecked(bool checked);

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    TMarkButton(TComponent* owner, DWORD buttonStyle);
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;

    bool checked_ = false;

private:
    DWORD buttonStyle_;
};

class TCheckBox : public TMarkButton {
    KELO_CLASS(TCheckBox, TMarkButton)
public:
    explicit TCheckBox(TComponent* owner);

    bool ReadProperty(const std::string& name, const FormValue& value) override;

protected:
    void CreateParamsFor(CreateParams& params) override;

private:
    bool textOnLeft_ = false;
};

// One of a group of choices: the system's auto radio button, which clears the other
// radio buttons of its parent when the user picks it.
class TRadioButton : public TMarkButton {
    KELO_CLASS(TRadioButton, TMarkButton)
public:
    explicit TRadioButton(TComponent* owner);
};

// A frame with a caption around other controls: a BS_GROUPBOX button that holds its
// children. The system draws only the frame and the caption, so the group box fills its
// background itself and paints its graphic children.
class TGroupBox : public TWinControl {
    KELO_CLASS(TGroupBox, TWinControl)
public:
    explicit TGroupBox(TComponent* owner);
    void AdjustClientRect(RECT& r) const override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintTo(HDC dc);
    LRESULT WMPaint();
};

enum class TComboBoxStyle { csDropDown, csDropDownList };

// The system's combo box with its list of texts. Only the user's choice runs OnChange;
// selecting from code does not.
class TCustomComboBox : public TWinControl {
    KELO_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* owner);
    const std::vector<std::wstring>& Items() const { return items_; }
    void SetItems(std::vector<std::wstring> items);
    int ItemIndex() const;
    void SetItemIndex(int index);
    TComboBoxStyle Style() const { return style_; }

    TNotifyEvent OnChange;

    void SetBounds(int left, int top, int width, int height) override;
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    bool AssignEvent(const std::string& event, TNotifyEvent handler) override;

protected:
    void CreateParamsFor(CreateParams& params) override;
    void WindowCreated() override;
    bool HandleParentNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FillList();
    int DroppedHeight() const;
    std::vector<std::wstring> items_;
    int itemIndex_ = -1;
    int dropDownCount_ = 8;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
};

class TComboBox : public TCustomComboBox {
    KELO_CLASS(TComboBox, TCustomComboBox)
public:
    using TCustomComboBox::TCustomComboBox;
};

}  // namespace kelo::win
