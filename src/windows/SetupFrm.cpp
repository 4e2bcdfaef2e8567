#include "windows/SetupFrm.h"

#include <commdlg.h>

#include <optional>

#include "core/Errors.h"
#include "core/IniDocument.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/WinText.h"

namespace kelo::app {

namespace {

constexpr const char* kSection = "Setup";
constexpr int kDefaultBillingDay = 21;
constexpr int kDefaultMonthLimit = 120;
constexpr int kDefaultDayLimit = 5;

template <class T>
T* Require(const win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("options dialog: no ") + name);
    return component;
}

// Puts the mark as the user's click would, so that the click handler keeps the
// enabling in step.
void CheckAsClicked(win::TCheckBox& box, bool checked) {
    if (box.Checked() == checked) return;
    box.SetChecked(checked);
    box.Click();
}

// The whole number a box holds as the readers of the file convert it; nothing for
// any other text.
std::optional<int> BoxNumber(const win::TEdit& box) {
    try {
        return StrToInt(win::Narrow(box.Text()));
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

}  // namespace

TFrmSetup::TFrmSetup(win::TComponent* owner, std::string appDir, ConnectionLister listConnections)
    : win::TForm(owner), iniPath_(std::move(appDir) + "Kelo.ini"), listConnections_(std::move(listConnections)) {
    SetDialogKeys(true);
    RegisterHandler("FormCreate", [this](win::TComponent*) { FormCreate(); });
    RegisterHandler("cbxSoundClick", [this](win::TComponent*) { cbxSoundClick(); });
    RegisterHandler("cbxDefaultSoundClick", [this](win::TComponent*) { cbxDefaultSoundClick(); });
    RegisterHandler("btnOpenSoundClick", [this](win::TComponent*) { btnOpenSoundClick(); });
    RegisterHandler("btnOKClick", [this](win::TComponent*) { btnOKClick(); });
    RegisterHandler("btnCancelClick", [this](win::TComponent*) { btnCancelClick(); });
    RegisterHandler("btnDefaultClick", [this](win::TComponent*) { btnDefaultClick(); });
    RegisterHandler("rbConnectionClick", [this](win::TComponent*) { rbConnectionClick(); });
    LoadFromResource(kResourceName);
}

TFrmSetup::~TFrmSetup() {
    if (FrmSetup == this) FrmSetup = nullptr;
}

void TFrmSetup::Loaded() {
    win::TForm::Loaded();
    edtJFDate_ = Require<win::TEdit>(*this, "edtJFDate");
    udnMonthTime_ = Require<win::TUpDown>(*this, "udnMonthTime");
    edtTimeLimit_ = Require<win::TEdit>(*this, "edtTimeLimit");
    udnTimeLimit_ = Require<win::TUpDown>(*this, "udnTimeLimit");
    edtDateLimit_ = Require<win::TEdit>(*this, "edtDateLimit");
    udnDateLimit_ = Require<win::TUpDown>(*this, "udnDateLimit");
    cbxDropTransparency_ = Require<win::TCheckBox>(*this, "cbxDropTransparency");
    cbxSound_ = Require<win::TCheckBox>(*this, "cbxSound");
    cbxForm_ = Require<win::TCheckBox>(*this, "cbxForm");
    gbxSound_ = Require<win::TGroupBox>(*this, "gbxSound");
    cbxDefaultSound_ = Require<win::TCheckBox>(*this, "cbxDefaultSound");
    edtSoundPath_ = Require<win::TEdit>(*this, "edtSoundPath");
    btnOpenSound_ = Require<win::TButton>(*this, "btnOpenSound");
    rbAnyConnection_ = Require<win::TRadioButton>(*this, "rbAnyConnection");
    rbDialUpConnection_ = Require<win::TRadioButton>(*this, "rbDialUpConnection");
    rbNamedConnection_ = Require<win::TRadioButton>(*this, "rbNamedConnection");
    cmbConnection_ = Require<win::TComboBox>(*this, "cmbConnection");
}

void TFrmSetup::FormCreate() {
    // A stored number that does not convert ends the loading at its step; the dialog
    // still opens with the rest at the layout's values.
    win::HandleExceptions(nullptr, [this] { ReadSettings(); });
    ReadConnection();
}

void TFrmSetup::ReadSettings() {
    const win::TIniFile ini(iniPath_);
    udnMonthTime_->SetPosition(StrToInt(ini.ReadString(kSection, "Start", "21")));
    udnTimeLimit_->SetPosition(StrToInt(ini.ReadString(kSection, "MonthDate", "120")));
    udnDateLimit_->SetPosition(StrToInt(ini.ReadString(kSection, "Date", "5")));
    CheckAsClicked(*cbxDropTransparency_, ini.ReadBool(kSection, "DropTrans", true));
    CheckAsClicked(*cbxSound_, ini.ReadBool(kSection, "Sound", false));
    CheckAsClicked(*cbxForm_, ini.ReadBool(kSection, "Form", true));
    CheckAsClicked(*cbxDefaultSound_, ini.ReadBool(kSection, "DefaultSound", true));
    edtSoundPath_->SetText(win::Widen(ini.ReadString(kSection, "SoundPath", "")));
}

// The list is the system's answer of this opening; when the system cannot answer, the
// user is told and the list holds only the stored connection.
void TFrmSetup::ReadConnection() {
    storedConnection_ = ReadConnectionChoice(win::TIniFile(iniPath_).Document());
    std::vector<NetConnection> all;
    if (listConnections_) win::HandleExceptions(nullptr, [&] { all = listConnections_(); });
    connections_ = ConnectionListFor(std::move(all), storedConnection_);
    std::vector<std::wstring> labels;
    for (const std::string& label : connections_.labels) labels.push_back(win::Widen(label));
    cmbConnection_->SetItems(std::move(labels));
    if (connections_.chosen) cmbConnection_->SetItemIndex(static_cast<int>(*connections_.chosen));
    rbAnyConnection_->SetChecked(storedConnection_.kind == ConnectionKind::Any);
    rbDialUpConnection_->SetChecked(storedConnection_.kind == ConnectionKind::DialUp);
    rbNamedConnection_->SetChecked(storedConnection_.kind == ConnectionKind::Named);
    rbConnectionClick();
}

// The list is for the named connection only.
void TFrmSetup::rbConnectionClick() { cmbConnection_->SetEnabled(rbNamedConnection_->Checked()); }

// The connection picked in the list is kept with any kind, so that choosing "指定连接"
// again later finds it picked.
std::optional<ConnectionChoice> TFrmSetup::ChosenConnection() const {
    ConnectionChoice choice = storedConnection_;
    const int picked = cmbConnection_->ItemIndex();
    if (picked >= 0 && static_cast<size_t>(picked) < connections_.connections.size()) {
        const NetConnection& connection = connections_.connections[static_cast<size_t>(picked)];
        choice.name = connection.name;
        choice.id = connection.id;
    }
    choice.kind = rbNamedConnection_->Checked()    ? ConnectionKind::Named
                  : rbDialUpConnection_->Checked() ? ConnectionKind::DialUp
                                                   : ConnectionKind::Any;
    if (choice.kind == ConnectionKind::Named && picked < 0) return std::nullopt;
    return choice;
}

// The controls inside a disabled group take no input whatever their own state.
void TFrmSetup::cbxSoundClick() { gbxSound_->SetEnabled(cbxSound_->Checked()); }

void TFrmSetup::cbxDefaultSoundClick() {
    const bool ownFile = !cbxDefaultSound_->Checked();
    edtSoundPath_->SetEnabled(ownFile);
    btnOpenSound_->SetEnabled(ownFile);
}

void TFrmSetup::btnOpenSoundClick() {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = L"WAV Files\0*.wav\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = L"wav";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (GetOpenFileNameW(&ofn)) edtSoundPath_->SetText(path);
}

bool TFrmSetup::RefuseBadNumber() {
    struct Box {
        win::TEdit* edit;
        const win::TUpDown* upDown;
        const wchar_t* field;
    };
    const Box boxes[] = {{edtJFDate_, udnMonthTime_, L"每月开始计费日期"},
                         {edtTimeLimit_, udnTimeLimit_, L"每月上网时限"},
                         {edtDateLimit_, udnDateLimit_, L"每日上网时限"}};
    for (const Box& box : boxes) {
        const std::optional<int> n = BoxNumber(*box.edit);
        if (n && *n >= box.upDown->Min() && *n <= box.upDown->Max()) continue;
        const std::wstring text = std::wstring(box.field) + L"必须是 " +
                                  std::to_wstring(box.upDown->Min()) + L" 到 " +
                                  std::to_wstring(box.upDown->Max()) + L" 之间的整数。";
        MessageBoxW(Handle(), text.c_str(), win::Application().Title().c_str(),
                    MB_OK | MB_ICONWARNING);
        // After the box the focus goes to the wrong number, all of it selected for
        // typing over.
        box.edit->SetFocus();
        box.edit->Perform(EM_SETSEL, 0, -1);
        return true;
    }
    return false;
}

void TFrmSetup::btnOKClick() {
    // The readers of the file take only whole numbers, and the meter only numbers in
    // these ranges: a wrong one is not stored.
    if (RefuseBadNumber()) return;
    // A named connection without a name would be read back as any connection.
    const std::optional<ConnectionChoice> connection = ChosenConnection();
    if (!connection) {
        MessageBoxW(Handle(), L"请在列表中选择计费的连接。", win::Application().Title().c_str(),
                    MB_OK | MB_ICONWARNING);
        cmbConnection_->SetFocus();
        return;
    }
    win::TIniFile ini(iniPath_);
    ini.WriteString(kSection, "Start", win::Narrow(edtJFDate_->Text()));
    ini.WriteString(kSection, "MonthDate", win::Narrow(edtTimeLimit_->Text()));
    ini.WriteString(kSection, "Date", win::Narrow(edtDateLimit_->Text()));
    ini.WriteBool(kSection, "DropTrans", cbxDropTransparency_->Checked());
    ini.WriteBool(kSection, "Sound", cbxSound_->Checked());
    ini.WriteBool(kSection, "Form", cbxForm_->Checked());
    ini.WriteBool(kSection, "DefaultSound", cbxDefaultSound_->Checked());
    ini.WriteString(kSection, "SoundPath", win::Narrow(edtSoundPath_->Text()));
    ini.Edit([&](IniDocument& doc) { WriteConnectionChoice(doc, *connection); });
    SetModalResult(IDOK);
    Close();
}

void TFrmSetup::btnCancelClick() { Close(); }

void TFrmSetup::btnDefaultClick() {
    udnMonthTime_->SetPosition(kDefaultBillingDay);
    udnTimeLimit_->SetPosition(kDefaultMonthLimit);
    udnDateLimit_->SetPosition(kDefaultDayLimit);
    cbxDropTransparency_->SetChecked(true);
    cbxSound_->SetChecked(false);
    cbxForm_->SetChecked(true);
    cbxDefaultSound_->SetChecked(true);
    gbxSound_->SetEnabled(false);
    edtSoundPath_->SetEnabled(false);
    btnOpenSound_->SetEnabled(false);
    rbAnyConnection_->SetChecked(true);
    rbDialUpConnection_->SetChecked(false);
    rbNamedConnection_->SetChecked(false);
    cmbConnection_->SetEnabled(false);
}

}  // namespace kelo::app
