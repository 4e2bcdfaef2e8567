#include "windows/MainFrm.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <future>
#include <memory>

#include "core/Clock.h"
#include "core/ConnectionBilling.h"
#include "core/ConnectionRecord.h"
#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/MonthTotal.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/MessageBoxes.h"
#include "framework/WinText.h"
#include "menupainter/MenuPainter.h"
#include "skin/SkinSource.h"
#include "tray/TrayIcon.h"
#include "windows/DropSetupFrm.h"
#include "windows/Globals.h"
#include "windows/KeloStringRes.h"
#include "windows/NoticeFrm.h"
#include "windows/ReportFrm.h"
#include "windows/SetupFrm.h"
#include "windows/TariffFrm.h"

namespace kelo::app {

namespace {

constexpr const char* kExitNotSavedQuestion =
    "重试：再保存一次。\n仍然退出：不保存就退出，下次启动时会说明少了什么。\n取消：继续运行并计时，可以稍后再退出。";

// The date and time as the system's settings write them (short date, long time).
std::wstring DefaultDateTimeText(const LocalDateTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    wchar_t date[64] = {}, time[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 64);
    return std::wstring(date) + L" " + time;
}

template <class T>
T* Need(win::TComponent& form, const char* name) {
    T* component = form.Find<T>(name);
    if (!component) throw KeloError(std::string("the main window has no ") + name);
    return component;
}

// Any connection is what isOnline says; a chosen one is asked of the system's table,
// and is offline where there is none.
class ServiceTable : public ConnectionTable {
public:
    ServiceTable(std::function<bool()> isOnline, ConnectionTable* system)
        : isOnline_(std::move(isOnline)), system_(system) {}
    bool AnyConnected() override { return isOnline_(); }
    std::vector<NetConnection> List() override { return system_ ? system_->List() : std::vector<NetConnection>{}; }
    std::vector<NetConnection> DialUpLinks() override {
        return system_ ? system_->DialUpLinks() : std::vector<NetConnection>{};
    }
    std::optional<NetConnection> Adapter(const std::string& id) override {
        return system_ ? system_->Adapter(id) : std::nullopt;
    }
    std::optional<NetConnection> PhoneBookConnection(const std::string& name) override {
        return system_ ? system_->PhoneBookConnection(name) : std::nullopt;
    }

private:
    std::function<bool()> isOnline_;
    ConnectionTable* system_;
};

// The choice stored in the settings file; a file that cannot be read counts any
// connection, as it counts with the default settings.
ConnectionChoice StoredChoice(FileStore& files, const TextCodec& codec, const std::string& path) {
    try {
        return ReadConnectionChoice(IniDocument(codec, files.Read(path).value_or(std::string())));
    } catch (const KeloError&) {
        return {};
    }
}

}  // namespace

TFrmKeloMain::TFrmKeloMain(MainServices services)
    : win::TForm(nullptr), services_(std::move(services)) {
    // The stored files are read, and a long history's lines found, while the window is
    // built: neither needs the other until the figures are shown.
    std::future<std::unique_ptr<UsageSession>> opening = std::async(std::launch::async, [this] {
        return std::make_unique<UsageSession>(SessionEnvironment{services_.files, services_.codec, services_.clock,
                                                                 services_.appDir, services_.hostName,
                                                                 services_.ipAddress});
    });
    tray::RegisterTrayClasses();
    skin::RegisterSkinClasses();
    menupainter::RegisterMenuPainterClasses();
    RegisterHandlers();
    LoadFromResource(L"MAIN");
    // Tab and Shift+Tab go from control to control, as in any form.
    SetDialogKeys(true);
    tmrChecker_ = Need<win::TTimer>(*this, "tmrChecker");
    tmrTime_ = Need<win::TTimer>(*this, "tmrTime");
    lblMonthStr_ = Need<win::TLabel>(*this, "lblMonthStr");
    lblCurStr_ = Need<win::TLabel>(*this, "lblCurStr");
    lblStartStr_ = Need<win::TLabel>(*this, "lblStartStr");
    MenuShowMain_ = Need<win::TMenuItem>(*this, "MenuShowMain");
    MenuDropFrm_ = Need<win::TMenuItem>(*this, "MenuDropFrm");
    MenuShowDrop_ = Need<win::TMenuItem>(*this, "MenuShowDrop");
    MenuFrmTrans_ = Need<win::TMenuItem>(*this, "MenuFrmTrans");
    MenuDropTran_ = Need<win::TMenuItem>(*this, "MenuDropTran");
    Timer1_ = Need<win::TTimer>(*this, "Timer1");
    StatusBar1_ = Need<win::TStatusBar>(*this, "StatusBar1");
    ListView1_ = Need<win::TListView>(*this, "ListView1");
    TreeView1_ = Need<win::TTreeView>(*this, "TreeView1");
    panMain_ = Need<win::TPanel>(*this, "panMain");
    Splitter2_ = Need<win::TSplitter>(*this, "Splitter2");
    listRoom_ = designRoom_ = panMain_->Height() - Splitter2_->Height();
    DateTimePicker1_ = Need<win::TDateTimePicker>(*this, "DateTimePicker1");
    MenuWarn_ = Need<win::TMenuItem>(*this, "MenuWarn");
    MenuAutoRun_ = Need<win::TMenuItem>(*this, "MenuAutoRun");
    TrayIcon1_ = Need<tray::TTrayIcon>(*this, "TrayIcon1");
    // The start-with-Windows mark shows what the registry holds each time the menu opens.
    Need<win::TPopupMenu>(*this, "pMenuMain")->OnPopup = [this](win::TComponent*) {
        MenuAutoRun_->SetChecked(services_.autoRunSet());
    };
    session_ = opening.get();
    table_ = std::make_unique<ServiceTable>(services_.isOnline, services_.connections);
    counted_ = std::make_unique<CountedConnection>(
        *table_, StoredChoice(services_.files, services_.codec, services_.appDir + ini::kFileName), services_.files,
        services_.codec, services_.clock, services_.appDir + kConnectionRecordFileName,
        ConnectionUnit(session_->Settings().tariff));
    FormCreate();
}

TFrmKeloMain::~TFrmKeloMain() {
    // Mini windows made by this window go with it.
    if (FrmDrop && FrmDrop->Owner() == this) FrmDrop = nullptr;
}

void TFrmKeloMain::RegisterHandlers() {
    auto on = [this](const char* name, void (TFrmKeloMain::*handler)()) {
        RegisterHandler(name, [this, handler](win::TComponent*) { (this->*handler)(); });
    };
    on("tmrCheckerTimer", &TFrmKeloMain::tmrCheckerTimer);
    on("tmrTimeTimer", &TFrmKeloMain::tmrTimeTimer);
    on("MenuShowMainClick", &TFrmKeloMain::MenuShowMainClick);
    on("MenuCloseClick", &TFrmKeloMain::MenuCloseClick);
    on("MenuHelpClick", &TFrmKeloMain::MenuHelpClick);
    on("MenuDropFrmClick", &TFrmKeloMain::MenuDropFrmClick);
    on("MenuFrmTransClick", &TFrmKeloMain::MenuFrmTransClick);
    on("Timer1Timer", &TFrmKeloMain::Timer1Timer);
    on("Timer2Timer", &TFrmKeloMain::Timer2Timer);
    on("MenuOptionClick", &TFrmKeloMain::MenuOptionClick);
    on("MenuTariffClick", &TFrmKeloMain::MenuTariffClick);
    on("MMenuDropSetupClick", &TFrmKeloMain::MMenuDropSetupClick);
    on("MenuWarnClick", &TFrmKeloMain::MenuWarnClick);
    on("MenuReportClick", &TFrmKeloMain::MenuReportClick);
    on("MenuAutoRunClick", &TFrmKeloMain::MenuAutoRunClick);
    on("panMainResize", &TFrmKeloMain::panMainResize);
}

// The usage report over the history as it stands, the running run counted up to now.
void TFrmKeloMain::MenuReportClick() {
    const LocalDateTime now = services_.clock.LocalNow();
    // The tariff as the user last set it, also when changed since the start.
    MeterSettings settings = session_->Settings();
    settings.tariff = CurrentTariff();
    const ReportContext context{session_->History(), services_.codec, settings, now,
                                RunSpan{session_->PartStart(), now, session_->PartSeconds()},
                                services_.appDir + kConnectionRecordFileName};
    TFrmReport report(this, context);
    report.ShowModal();
}

// Switches the warnings between off and the last warning time, stored at once.
void TFrmKeloMain::MenuWarnClick() {
    const int32_t minutes = warnings_->Minutes() > 0 ? 0 : lastWarnMinutes_;
    win::TIniFile(services_.appDir + ini::kFileName).WriteInteger(ini::kSetup, ini::kWarnMinutes, minutes);
    warnings_->SetMinutes(minutes);
    MenuWarn_->SetChecked(minutes > 0);
}

void TFrmKeloMain::MenuAutoRunClick() {
    services_.setAutoRun(!services_.autoRunSet());
    MenuAutoRun_->SetChecked(services_.autoRunSet());
}

// A billing period that began during the run starts the month's warning afresh.
std::vector<Warning> TFrmKeloMain::DueWarnings() {
    if (session_->MonthStartRunSeconds() != warnedMonthStart_) {
        warnedMonthStart_ = session_->MonthStartRunSeconds();
        warnings_->NewMonth(warnedMonthStart_);
    }
    return warnings_->Check(session_->RunSeconds());
}

void TFrmKeloMain::RaiseWarnings(const std::vector<Warning>& warnings) {
    for (const Warning warning : warnings) {
        const std::string text = "再过 " + std::to_string(warnings_->Minutes()) + " 分钟将达到" +
                                 (warning == Warning::Day ? "每日上网时限" : "本月上网时限");
        TrayIcon1_->ShowBalloonHint(res::kAppTitle, win::Widen(text));
    }
}

// A new options dialog for each opening; what it writes counts from the next start.
void TFrmKeloMain::MenuOptionClick() {
    std::unique_ptr<TFrmSetup> dialog(new TFrmSetup(this, services_.appDir, services_.listConnections));
    FrmSetup = dialog.get();
    dialog->ShowModal();
}

// The figures follow a stored tariff at once.
void TFrmKeloMain::MenuTariffClick() {
    if (const auto t = TFrmTariff::Edit(this, services_.appDir)) ApplyTariff(*t);
}

void TFrmKeloMain::MMenuDropSetupClick() { TFrmDropSetup::Open(this, services_.appDir); }

void TFrmKeloMain::FormCreate() {
    const MeterSettings& settings = session_->Settings();
    warnings_.emplace(settings.warnMinutes, settings.dayLimit, settings.monthLimit,
                      MonthTotal::Parse(session_->MonthTotalText()).value_or(MonthTotal{}).TotalSeconds());
    if (settings.warnMinutes > 0) lastWarnMinutes_ = settings.warnMinutes;
    MenuWarn_->SetChecked(warnings_->Minutes() > 0);
    SYSTEMTIME today;
    GetLocalTime(&today);
    DateTimePicker1_->SetDateTime(today);
    // The whole date shows, whatever width the screen's scale gives it: the picker and its
    // panel widen by what it lacks.
    if (const int lacking = DateTimePicker1_->IdealWidth() - DateTimePicker1_->Width(); lacking > 0) {
        win::TWinControl* panel = DateTimePicker1_->Parent();
        panel->SetWidth(panel->Width() + lacking);
        DateTimePicker1_->SetWidth(DateTimePicker1_->Width() + lacking);
        panel->Parent()->AlignControls();
    }
    TreeView1_->Items().AddTopLevel(win::Widen(services_.hostName), 0);
    ShowHistory();
    UpdateInfoStrip();
    lblStartStr_->SetCaption(win::Widen(res::kStartLabel) +
                             DefaultDateTimeText(session_->CountStart()));
    if (!services_.layeredWindows) {
        MenuFrmTrans_->SetEnabled(false);
        MenuFrmTrans_->SetChecked(false);
    }
    // The first connection check is made now, not when the checker's first interval
    // has passed: a machine that is online at start counts from this moment.
    tmrCheckerTimer();
    if (services_.dataFolderMoved)
        TrayIcon1_->ShowBalloonHint(res::kAppTitle, L"程序所在的文件夹无法写入，Kelo.ini 和 Kelo.trv 现在保存在 " +
                                                       win::Widen(services_.appDir));
    // What start-up found wrong with the stored files is told in one box.
    std::string told;
    for (const std::string& message : session_->StartupMessages())
        told += (told.empty() ? "" : "\n\n") + message;
    if (!told.empty()) win::Application().ShowException(KeloError(told), Handle());
}

// The history is a virtual list over the stored lines: rows are read from the file only
// when shown, so a long history opens as fast as a short one.
void TFrmKeloMain::ShowHistory() {
    ListView1_->OnGetCell = [this](int row, int column) { return HistoryCell(row, column); };
    ListView1_->SetItemCount(static_cast<int>(session_->History().Size()));
    ShowNewestRows();
}

// The newest runs, this one's row among them once it is stored, are what the user looks
// for; the list shows them whole once it has its size on the screen.
void TFrmKeloMain::ShowNewestRows() {
    if (const int rows = ListView1_->ItemCount(); rows > 0) ListView1_->EnsureVisible(rows - 1);
}

std::wstring TFrmKeloMain::HistoryCell(int row, int column) const {
    const UsageHistory& history = session_->History();
    if (row < 0 || static_cast<size_t>(row) >= history.Size()) return {};
    const UsageRecord record = history.At(static_cast<size_t>(row));
    const auto& fields = record.fields;
    if (column < 0 || static_cast<size_t>(column) >= fields.size()) return {};
    return win::Widen(services_.codec.ToUtf8(fields[static_cast<size_t>(column)]));
}

DropContext TFrmKeloMain::MiniWindowContext() {
    DropContext context;
    context.currentMiniWindow = [] { return FrmDrop; };
    context.mainWindowShowing = [this] { return Showing(); };
    context.setMainWindowVisible = [this](bool visible) { SetVisible(visible); };
    context.openDropSetup = [appDir = services_.appDir](TFrmDrop* owner) {
        TFrmDropSetup::Open(owner, appDir);
    };
    context.appDir = services_.appDir;
    return context;
}

// A window taller than designed gives the history list its share of the extra height, as
// the memo gets its own: the list keeps the part of the designed room below the strip that
// it has there, or that the splitter gave it once the user moved the splitter. Below the
// designed height the memo gives way alone, as before.
void TFrmKeloMain::panMainResize() {
    const int room = panMain_->ClientHeight() - Splitter2_->Height();
    if (room <= 0 || designRoom_ <= 0) return;
    if (ListView1_->Height() != listHeightSet_)
        listAtDesign_ = static_cast<double>(ListView1_->Height()) * designRoom_ / std::max(listRoom_, designRoom_);
    listRoom_ = room;
    listHeightSet_ = static_cast<int>(listAtDesign_ * std::max(room, designRoom_) / designRoom_ + 0.5);
    if (ListView1_->Height() == listHeightSet_) return;
    ListView1_->SetHeight(listHeightSet_);
    panMain_->AlignControls();
}

void TFrmKeloMain::DoShow() {
    win::TForm::DoShow();
    ShowNewestRows();
    ShowMiniWindow();
}

void TFrmKeloMain::ShowMiniWindow() {
    if (!FrmDrop || !FrmDrop->Showing()) {
        if (MenuDropFrm_->Checked()) {
            // The fresh window becomes the current one once it is complete.
            TFrmDrop* fresh = TFrmDrop::Create(this, MiniWindowContext());
            FrmDrop = fresh;
            fresh->Show();
        }
        if (FrmDrop && MenuFrmTrans_->Checked()) {
            FrmDrop->SetOpacity(TFrmDrop::kMenuOpacity);
            FrmDrop->SetTranslucent(true);
        }
    }
    if (FrmDrop) FrmDrop->SetMonthText(session_->MonthTotalText());
    ListView1_->SetFocus();
}

void TFrmKeloMain::MenuDropFrmClick() {
    MenuDropFrm_->SetChecked(!MenuDropFrm_->Checked());
    MenuShowDrop_->SetChecked(!MenuShowDrop_->Checked());
    if (!FrmDrop) return;
    if (!MenuDropFrm_->Checked()) {
        FrmDrop->Hide();
    } else {
        FrmDrop->Show();
        FrmDrop->SetPanelVisible(true);
    }
}

void TFrmKeloMain::MenuFrmTransClick() {
    MenuFrmTrans_->SetChecked(!MenuFrmTrans_->Checked());
    MenuDropTran_->SetChecked(!MenuDropTran_->Checked());
    if (!FrmDrop) return;
    if (!MenuFrmTrans_->Checked()) {
        FrmDrop->SetTranslucent(false);
    } else {
        FrmDrop->SetOpacity(TFrmDrop::kMenuOpacity);
        FrmDrop->SetTranslucent(true);
    }
}

// The notice window exists only once the main window is complete: a start-up message
// box left open past the first interval makes Timer1 find none, and the notice then
// waits for Timer1's next round.
void TFrmKeloMain::Timer1Timer() {
    if (!Form1 || noticeShown_) return;
    UpdateNotice();
    Form1->PlaceNearCorner();
    Form1->Show();
    noticeShown_ = true;
}

void TFrmKeloMain::Timer2Timer() {
    if (noticeShown_) Timer1_->SetEnabled(false);
}

void TFrmKeloMain::UpdateInfoStrip() {
    const std::string run = FormatDuration(session_->RunSeconds());
    lblMonthStr_->SetCaption(win::Widen(res::kMonthLabel + session_->MonthTotalText()));
    lblCurStr_->SetCaption(win::Widen(res::kRunLabel + run));
    if (FrmDrop) {
        FrmDrop->SetMonthText(session_->MonthTotalText());
        FrmDrop->SetRunText(run);
    }
    UpdateOutlook(run);
    UpdateNotice();
}

void TFrmKeloMain::ApplyTariff(const Tariff& tariff) {
    tariffSet_ = tariff;
    counted_->SetUnit(ConnectionUnit(tariff));
    UpdateInfoStrip();
}

void TFrmKeloMain::UpdateOutlook(const std::string& run) {
    // The cost and the pace are this billing period's, whatever the month total keeps.
    const int64_t total = session_->PeriodSeconds();
    const Pace pace = session_->PaceAt(services_.clock.LocalNow());
    const OutlookTexts texts =
        Outlook(CurrentTariff(), pace, total, counted_->Record().BilledSecondsIn(session_->Period()));
    if (texts.cost != outlook_.cost) StatusBar1_->SetPanelText(0, win::Widen(texts.cost));
    if (texts.daysLeft != outlook_.daysLeft) StatusBar1_->SetPanelText(1, win::Widen(texts.daysLeft));
    if (texts.forecast != outlook_.forecast) StatusBar1_->SetPanelText(2, win::Widen(texts.forecast));
    outlook_ = texts;
    // The tray tip follows the counter: both figures under the program's name, and the
    // cost when there is a tariff.
    std::wstring hint = std::wstring(res::kAppTitle) + L"\n" + win::Widen(res::kMonthLabel) + L" " +
                        win::Widen(session_->MonthTotalText()) + L"\n" + win::Widen(res::kRunLabel) + L" " +
                        win::Widen(run);
    if (!texts.cost.empty()) hint += L"\n" + win::Widen(texts.cost);
    if (hint != trayHint_) TrayIcon1_->SetHint(hint);
    trayHint_ = std::move(hint);
    WarnOfPace();
}

void TFrmKeloMain::WarnOfPace() {
    if (warnings_->Minutes() <= 0) return;
    if (const auto text = session_->TakePaceWarning(services_.clock.LocalNow()))
        TrayIcon1_->ShowBalloonHint(res::kAppTitle, win::Widen(*text));
}

void TFrmKeloMain::UpdateNotice() {
    if (!Form1) return;
    const MeterSettings& settings = session_->Settings();
    NoticeFigures figures;
    figures.monthSeconds = session_->MonthSeconds();
    figures.runSeconds = session_->RunSeconds();
    figures.monthLimitHours = settings.monthLimit;
    figures.dayLimitHours = settings.dayLimit;
    figures.billingDay = settings.billingDay;
    figures.today = services_.clock.LocalNow().Date();
    figures.counted = connectionText_;
    Form1->SetFigures(figures);
}

void TFrmKeloMain::tmrCheckerTimer() {
    if (ending_) return;
    const auto alarms = session_->OnCheck(CheckConnection());
    counted_->FollowPeriod(session_->Period());
    tmrTime_->SetEnabled(session_->Counting());
    UpdateInfoStrip();
    Checkpoint();
    RaiseWarnings(DueWarnings());
    RaiseAlarms(alarms);
}

void TFrmKeloMain::tmrTimeTimer() {
    if (ending_) return;
    const auto alarms = session_->OnTick();
    UpdateInfoStrip();
    Checkpoint();
    RaiseWarnings(DueWarnings());
    RaiseAlarms(alarms);
}

bool TFrmKeloMain::CheckConnection() {
    const bool online = counted_->Check();
    if (!counted_->RunAddress().empty()) session_->SetRunAddress(counted_->RunAddress());
    std::string text = counted_->StatusText();
    if (text != connectionText_) StatusBar1_->SetPanelText(3, win::Widen(text));
    connectionText_ = std::move(text);
    return online;
}

void TFrmKeloMain::Checkpoint() {
    if (const auto failure = counted_->CheckpointIfDue())
        win::Application().ShowException(KeloError(*failure), Handle());
    const int saves = session_->SaveCount();
    const auto failure = session_->CheckpointIfDue();
    // A save completes the run's row, and may have read a history that was locked at
    // start: show it.
    if (session_->SaveCount() != saves) {
        if (ListView1_->ItemCount() != static_cast<int>(session_->History().Size())) ShowHistory();
        ListView1_->RefreshRows();
    }
    if (failure) win::Application().ShowException(KeloError(*failure), Handle());
}

void TFrmKeloMain::RaiseAlarms(const std::vector<Alarm>& alarms) {
    for (Alarm alarm : alarms)
        RaiseAlarm(alarm == Alarm::Day ? res::kDayLimitReached : res::kMonthLimitReached);
}

void TFrmKeloMain::RaiseAlarm(const char* message) {
    const MeterSettings& s = session_->Settings();
    if (!s.soundAlarm)
        MessageBoxW(Handle(), win::Widen(message).c_str(), res::kAlarmCaption, MB_OK);
    else if (s.useDefaultSound)
        MessageBeep(MB_OK);
    else
        PlaySoundW(win::Widen(s.soundPath).c_str(), nullptr, SND_ASYNC | SND_FILENAME);
    Sleep(100);
}

void TFrmKeloMain::StopTimers() {
    ending_ = true;
    tmrChecker_->SetEnabled(false);
    tmrTime_->SetEnabled(false);
}

void TFrmKeloMain::ResumeAfterFailedExit() {
    ending_ = false;
    session_->Resume();
    tmrChecker_->SetEnabled(true);
}

// A save that fails at exit never keeps the user from quitting: the box names the file
// and what would be lost, and asks.
bool TFrmKeloMain::FormCloseQuery() {
    StopTimers();
    // The itemised record is saved on its own: its failure holds nothing else back.
    if (const auto failure = counted_->SaveAtExit()) win::Application().ShowException(KeloError(*failure), Handle());
    for (;;) {
        try {
            session_->SaveAtExit();
            return true;
        } catch (const KeloError& e) {
            const std::wstring text = win::Widen(std::string(e.what()) + "\n\n" + kExitNotSavedQuestion);
            const int answer = win::MessageBoxWithCaptions(Handle(), text, win::Application().Title(),
                                                           MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON1,
                                                           {{IDYES, L"重试"}, {IDNO, L"仍然退出"}});
            if (answer == IDNO) return true;
            if (answer != IDYES) break;
        }
    }
    ResumeAfterFailedExit();
    return false;
}

bool TFrmKeloMain::CloseQuery() {
    if (!FormCloseQuery() || !win::TForm::CloseQuery()) return false;
    if (FrmDrop) FrmDrop->RequestClose();
    return true;
}

void TFrmKeloMain::MenuShowMainClick() {
    MenuShowMain_->SetChecked(!MenuShowMain_->Checked());
    // The window itself, not its visibility property: the mini window is left alone.
    ShowWindow(Handle(), MenuShowMain_->Checked() ? SW_SHOW : SW_HIDE);
}

void TFrmKeloMain::MenuCloseClick() { Close(); }

void TFrmKeloMain::MenuHelpClick() {
    ShellExecuteW(Handle(), L"open", L"Explorer.exe", res::kHomePage, nullptr, SW_SHOWNORMAL);
}

LRESULT TFrmKeloMain::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND: WMSysCommand(wParam, lParam); return 0;
    case WM_QUERYENDSESSION: return WMQueryEndSession();
    case WM_ENDSESSION: WMEndSession(wParam != FALSE); return 0;
    default: return win::TForm::WndProc(msg, wParam, lParam);
    }
}

void TFrmKeloMain::WMSysCommand(WPARAM command, LPARAM lParam) {
    // The close button and Alt+F4 put the program away; it goes on counting.
    if ((command & 0xFFF0) == SC_CLOSE) {
        win::Application().Minimize();
        MenuShowMain_->SetChecked(false);
        return;
    }
    win::TForm::WndProc(WM_SYSCOMMAND, command, lParam);
}

// The system asks whether the session may end: save and say yes. Nothing here may hold
// the session up, so a failed save shows no box; it is tried once more when the
// session really ends.
LRESULT TFrmKeloMain::WMQueryEndSession() {
    if (ending_) return TRUE;
    StopTimers();
    counted_->SaveAtExit();  // a box would hold up the log-off; a failure is retried below
    try {
        session_->SaveAtExit();
    } catch (const KeloError&) {
        // Kept in memory; WM_ENDSESSION tries again.
    }
    return TRUE;
}

void TFrmKeloMain::WMEndSession(bool ending) {
    if (!ending) {
        // The log-off was cancelled after the run was saved: count on; a later save
        // replaces the one just made.
        if (ending_) ResumeAfterFailedExit();
        return;
    }
    const bool saved = ending_ && !session_->LastSaveFailed();
    if (!saved) {
        StopTimers();
        counted_->SaveAtExit();
        try {
            session_->SaveAtExit();
        } catch (const KeloError&) {
            // The session ends whatever happens; there is nobody left to tell.
        }
    }
    if (FrmDrop) FrmDrop->RequestClose();
    win::Application().Terminate();
    DestroyWnd();
}

}  // namespace kelo::app
