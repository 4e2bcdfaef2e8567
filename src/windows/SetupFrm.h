#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Connection.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace kelo::app {

// The machine's connections to choose the counted one from; asked once, when the
// options dialog opens. Throws KeloError when the system cannot answer.
using ConnectionLister = std::function<std::vector<NetConnection>()>;

// The options dialog: billing day, monthly and daily limits and the kind of alarm, kept
// in section "Setup" of "Kelo.ini", and the counted connection (section "Connection").
// It reads the file when it is made and writes it only on "确定"; the running meter goes
// on with what it loaded at start.
class TFrmSetup : public win::TForm {
    KELO_CLASS(TFrmSetup, win::TForm)
public:
    static constexpr const wchar_t* kResourceName = L"SETUPFRM";

    // Builds the dialog and fills it from appDir + "Kelo.ini" and the connections
    // `listConnections` gives (none without it); it starts hidden.
    TFrmSetup(win::TComponent* owner, std::string appDir, ConnectionLister listConnections = {});
    ~TFrmSetup() override;

    void Loaded() override;

private:
    void FormCreate();
    void ReadSettings();
    void ReadConnection();
    void rbConnectionClick();
    // The choice the buttons and the list make, or none when a named connection is
    // chosen without one picked from the list.
    std::optional<ConnectionChoice> ChosenConnection() const;
    void cbxSoundClick();
    void cbxDefaultSoundClick();
    void btnOpenSoundClick();
    void btnOKClick();
    void btnCancelClick();
    void btnDefaultClick();
    // Whether a number box holds text the readers of the file or the meter would not
    // take; the user is told about the first such box, which gets the focus.
    bool RefuseBadNumber();

    std::string iniPath_;
    ConnectionLister listConnections_;
    ConnectionList connections_;
    ConnectionChoice storedConnection_;
    win::TEdit* edtJFDate_ = nullptr;
    win::TUpDown* udnMonthTime_ = nullptr;
    win::TEdit* edtTimeLimit_ = nullptr;
    win::TUpDown* udnTimeLimit_ = nullptr;
    win::TEdit* edtDateLimit_ = nullptr;
    win::TUpDown* udnDateLimit_ = nullptr;
    win::TCheckBox* cbxDropTransparency_ = nullptr;
    win::TCheckBox* cbxSound_ = nullptr;
    win::TCheckBox* cbxForm_ = nullptr;
    win::TGroupBox* gbxSound_ = nullptr;
    win::TCheckBox* cbxDefaultSound_ = nullptr;
    win::TEdit* edtSoundPath_ = nullptr;
    win::TButton* btnOpenSound_ = nullptr;
    win::TRadioButton* rbAnyConnection_ = nullptr;
    win::TRadioButton* rbDialUpConnection_ = nullptr;
    win::TRadioButton* rbNamedConnection_ = nullptr;
    win::TComboBox* cmbConnection_ = nullptr;
};

// The options dialog while it is open.
inline TFrmSetup* FrmSetup = nullptr;

}  // namespace kelo::app
