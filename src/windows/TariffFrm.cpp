#include "windows/TariffFrm.h"

#include <algorithm>
#include <iterator>

#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/Settings.h"
#include "framework/Application.h"
#include "framework/WinFileStore.h"
#include "framework/WinText.h"

namespace kelo::app {

namespace {

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("tariff dialog: no ") + name);
    return component;
}

// The settings file as one document, so that the section goes back in one replacement
// of the file: a failed write leaves the old section, never half of the new one.
IniDocument ReadIni(const std::string& path, std::string& bytes) {
    static const win::GbkCodec codec;
    bytes = win::WinFileStore().Read(path).value_or(std::string());
    return IniDocument(codec, bytes);
}

std::optional<int> WholeNumber(const win::TEdit& box) {
    try {
        return StrToInt(win::Narrow(box.Text()));
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

// The combo's entries are the billing units in this order; the file's reading gives one
// of them.
int UnitIndex(int32_t seconds) {
    const auto* unit = std::find(std::begin(kTariffUnits), std::end(kTariffUnits), seconds);
    return static_cast<int>(unit - std::begin(kTariffUnits));
}

}  // namespace

std::optional<Tariff> TFrmTariff::Edit(win::TComponent* owner, const std::string& appDir) {
    TFrmTariff dialog(owner, appDir);
    dialog.ShowModal();
    return dialog.Stored();
}

TFrmTariff::TFrmTariff(win::TComponent* owner, std::string appDir)
    : win::TForm(owner), iniPath_(std::move(appDir) + ini::kFileName) {
    SetDialogKeys(true);
    RegisterHandler("FormCreate", [this](win::TComponent*) { FormCreate(); });
    RegisterHandler("btnOKClick", [this](win::TComponent*) { btnOKClick(); });
    RegisterHandler("btnCancelClick", [this](win::TComponent*) { btnCancelClick(); });
    LoadFromResource(kResourceName);
}

void TFrmTariff::Loaded() {
    win::TForm::Loaded();
    edtMonthlyFee_ = Require<win::TEdit>(*this, "edtMonthlyFee");
    edtIncludedHours_ = Require<win::TEdit>(*this, "edtIncludedHours");
    udnIncludedHours_ = Require<win::TUpDown>(*this, "udnIncludedHours");
    edtPricePerHour_ = Require<win::TEdit>(*this, "edtPricePerHour");
    cboxUnit_ = Require<win::TComboBox>(*this, "cboxUnit");
    cboxRounding_ = Require<win::TComboBox>(*this, "cboxRounding");
}

// A stored value that is not one shows as its default; the start-up reading has told
// the user about it already.
void TFrmTariff::FormCreate() {
    std::string bytes;
    const Tariff t = ReadTariff(ReadIni(iniPath_, bytes));
    edtMonthlyFee_->SetText(win::Widen(FormatYuan(t.monthlyFeeFen)));
    udnIncludedHours_->SetPosition(t.includedHours);
    edtPricePerHour_->SetText(win::Widen(FormatYuan(t.pricePerHourFen)));
    cboxUnit_->SetItemIndex(UnitIndex(t.unitSeconds));
    cboxRounding_->SetItemIndex(static_cast<int>(t.rounding));
}

void TFrmTariff::Refuse(win::TEdit& box, const wchar_t* text) {
    MessageBoxW(Handle(), text, win::Application().Title().c_str(), MB_OK | MB_ICONWARNING);
    // Back in the dialog the wrong value is selected, ready to be typed over.
    box.SetFocus();
    box.Perform(EM_SETSEL, 0, -1);
}

std::optional<Tariff> TFrmTariff::Typed() {
    Tariff t;
    const auto fee = ParseTypedYuan(win::Narrow(edtMonthlyFee_->Text()));
    if (!fee || *fee > kMaxMonthlyFeeFen) {
        Refuse(*edtMonthlyFee_, L"月租费必须是 0 到 99999.99 元之间的金额，最多两位小数，例如 50 或 49.90。");
        return std::nullopt;
    }
    t.monthlyFeeFen = *fee;
    const std::optional<int> hours = WholeNumber(*edtIncludedHours_);
    if (!hours || *hours < udnIncludedHours_->Min() || *hours > udnIncludedHours_->Max()) {
        const std::wstring text = L"包含小时数必须是 " + std::to_wstring(udnIncludedHours_->Min()) +
                                  L" 到 " + std::to_wstring(udnIncludedHours_->Max()) +
                                  L" 之间的整数。";
        Refuse(*edtIncludedHours_, text.c_str());
        return std::nullopt;
    }
    t.includedHours = *hours;
    const auto price = ParseTypedYuan(win::Narrow(edtPricePerHour_->Text()));
    if (!price || *price > kMaxPricePerHourFen) {
        Refuse(*edtPricePerHour_,
               L"超出部分每小时的价格必须是 0 到 9999.99 元之间的金额，最多两位小数，例如 1.20。");
        return std::nullopt;
    }
    t.pricePerHourFen = *price;
    const int unit = cboxUnit_->ItemIndex();
    if (unit >= 0 && unit < static_cast<int>(std::size(kTariffUnits))) t.unitSeconds = kTariffUnits[unit];
    if (cboxRounding_->ItemIndex() == 1) t.rounding = TariffRounding::Period;
    return t;
}

void TFrmTariff::btnOKClick() {
    const std::optional<Tariff> t = Typed();
    if (!t) return;
    std::string before;
    IniDocument doc = ReadIni(iniPath_, before);
    WriteTariff(doc, *t);
    if (doc.Bytes() != before) win::WinFileStore().Replace(iniPath_, doc.Bytes());
    stored_ = t;
    SetModalResult(IDOK);
    Close();
}

void TFrmTariff::btnCancelClick() { Close(); }

}  // namespace kelo::app
