#pragma once
#include <optional>
#include <string>

#include "core/Tariff.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace kelo::app {

// The tariff dialog: the monthly fee, the hours it includes, the price of each hour
// beyond them and the unit they are charged in, kept in section "Tariff" of
// "Kelo.ini". It starts from what the file holds and writes the section only on "确定".
class TFrmTariff : public win::TForm {
    KELO_CLASS(TFrmTariff, win::TForm)
public:
    static constexpr const wchar_t* kResourceName = L"TARIFFFRM";

    // Shows the dialog modally over `owner`; the tariff stored on "确定", nothing when
    // the user cancels.
    static std::optional<Tariff> Edit(win::TComponent* owner, const std::string& appDir);

    // Builds the dialog and fills it from appDir + "Kelo.ini"; it starts hidden.
    TFrmTariff(win::TComponent* owner, std::string appDir);

    void Loaded() override;
    // The tariff "确定" stored, once it has.
    const std::optional<Tariff>& Stored() const { return stored_; }

private:
    void FormCreate();
    void btnOKClick();
    void btnCancelClick();
    // The tariff the controls hold; nothing when a box holds what the file could not
    // keep, after telling the user and putting the focus on that box.
    std::optional<Tariff> Typed();
    void Refuse(win::TEdit& box, const wchar_t* text);

    std::string iniPath_;
    std::optional<Tariff> stored_;
    win::TEdit* edtMonthlyFee_ = nullptr;
    win::TEdit* edtIncludedHours_ = nullptr;
    win::TUpDown* udnIncludedHours_ = nullptr;
    win::TEdit* edtPricePerHour_ = nullptr;
    win::TComboBox* cboxUnit_ = nullptr;
    win::TComboBox* cboxRounding_ = nullptr;  // in the order of TariffRounding
};

}  // namespace kelo::app
