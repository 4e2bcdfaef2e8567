#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Connection.h"
#include "core/CountedConnection.h"
#include "core/LimitWarnings.h"
#include "core/UsageSession.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "windows/DropFrm.h"

namespace kelo {
class Clock;
class FileStore;
class TextCodec;
}  // namespace kelo

namespace kelo::tray {
class TTrayIcon;
}

namespace kelo::app {

// What the main window needs of the system; the program passes the real ones, a test or
// benchmark may pass its own.
struct MainServices {
    FileStore& files;
    const TextCodec& codec;
    Clock& clock;
    std::function<bool()> isOnline;
    std::string appDir;
    std::string hostName;
    std::string ipAddress;
    // The files have just moved into appDir because the program's own folder cannot be
    // written: the user is told once where they are.
    bool dataFolderMoved = false;
    // Start with Windows: whether the user's Run value names the program, and setting or
    // removing it at the user's choice.
    std::function<bool()> autoRunSet = [] { return false; };
    std::function<void(bool)> setAutoRun = [](bool) {};
    // Translucency needs layered windows, which Windows 95, 98 and Me do not have.
    bool layeredWindows = true;
    // The machine's connections, for the options dialog to choose the counted one from.
    std::function<std::vector<NetConnection>()> listConnections;
    // The system's connections for the checks of a chosen connection; without them only
    // any connection (isOnline) can be counted.
    ConnectionTable* connections = nullptr;
};

// The main window: the information strip with the month total, the run's online time
// and the counting start, the history, the menus, and the meter's timers.
class TFrmKeloMain : public win::TForm {
    KELO_CLASS(TFrmKeloMain, win::TForm)
public:
    explicit TFrmKeloMain(MainServices services);
    ~TFrmKeloMain() override;

    const UsageSession& Session() const { return *session_; }
    // The tariff read at start (or once the settings file could be read), unless the
    // tariff dialog stored another since.
    const Tariff& CurrentTariff() const { return tariffSet_ ? *tariffSet_ : session_->Settings().tariff; }
    // A tariff just stored by the tariff dialog: the figures follow it at once.
    void ApplyTariff(const Tariff& tariff);

    // What a mini window needs of the program (FrmDrop, the main window, the dialogs).
    DropContext MiniWindowContext();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool CloseQuery() override;
    void DoShow() override;

private:
    void RegisterHandlers();
    void FormCreate();
    void UpdateInfoStrip();
    // The month's cost, the days left and the forecast, in the status bar and the tray
    // tip's last line; each text changes only when its figures do.
    void UpdateOutlook(const std::string& run);
    // The balloon when the month's pace leads past its limit: once a billing period.
    void WarnOfPace();
    // The figures of the notice window's own notice.
    void UpdateNotice();
    void ShowHistory();
    void ShowNewestRows();
    std::wstring HistoryCell(int row, int column) const;
    void tmrCheckerTimer();
    void tmrTimeTimer();
    void Checkpoint();
    // Asks the counted connection, and names it in the status bar's last panel.
    bool CheckConnection();
    void RaiseAlarms(const std::vector<Alarm>& alarms);
    void RaiseAlarm(const char* message);
    // The exit sequence: stop counting and save. False when the save failed; the run
    // then goes on counting and nothing is lost.
    bool FormCloseQuery();
    void StopTimers();
    void ResumeAfterFailedExit();

    void ShowMiniWindow();
    void MenuDropFrmClick();
    void MenuFrmTransClick();
    void Timer1Timer();
    void Timer2Timer();
    void MenuShowMainClick();
    void MenuCloseClick();
    void MenuHelpClick();
    void MenuOptionClick();
    void MenuTariffClick();
    void MMenuDropSetupClick();
    void MenuWarnClick();
    void MenuReportClick();
    void MenuAutoRunClick();
    std::vector<Warning> DueWarnings();
    void panMainResize();
    void RaiseWarnings(const std::vector<Warning>& warnings);
    void WMSysCommand(WPARAM command, LPARAM lParam);
    LRESULT WMQueryEndSession();
    void WMEndSession(bool ending);

    MainServices services_;
    std::unique_ptr<UsageSession> session_;
    std::unique_ptr<ConnectionTable> table_;
    std::unique_ptr<CountedConnection> counted_;
    std::string connectionText_;
    win::TTimer* tmrChecker_ = nullptr;
    win::TTimer* tmrTime_ = nullptr;
    win::TLabel* lblMonthStr_ = nullptr;
    win::TLabel* lblCurStr_ = nullptr;
    win::TLabel* lblStartStr_ = nullptr;
    win::TMenuItem* MenuShowMain_ = nullptr;
    win::TMenuItem* MenuDropFrm_ = nullptr;
    win::TMenuItem* MenuShowDrop_ = nullptr;
    win::TMenuItem* MenuFrmTrans_ = nullptr;
    win::TMenuItem* MenuDropTran_ = nullptr;
    win::TMenuItem* MenuWarn_ = nullptr;
    win::TMenuItem* MenuAutoRun_ = nullptr;
    tray::TTrayIcon* TrayIcon1_ = nullptr;
    std::optional<LimitWarnings> warnings_;
    int32_t lastWarnMinutes_ = kDefaultWarnMinutes;  // what 限额前提醒 turns back on
    int64_t warnedMonthStart_ = 0;  // where the month the warnings judge began in the run
    win::TTimer* Timer1_ = nullptr;
    win::TStatusBar* StatusBar1_ = nullptr;
    std::optional<Tariff> tariffSet_;
    OutlookTexts outlook_;
    std::wstring trayHint_;
    win::TListView* ListView1_ = nullptr;
    win::TTreeView* TreeView1_ = nullptr;
    win::TDateTimePicker* DateTimePicker1_ = nullptr;
    win::TPanel* panMain_ = nullptr;
    win::TSplitter* Splitter2_ = nullptr;
    // The history list's height at the designed room below the strip, the room it last
    // had and the height it was last given.
    double listAtDesign_ = 0;
    int designRoom_ = 0, listRoom_ = 0, listHeightSet_ = 0;
    bool ending_ = false;
    bool noticeShown_ = false;
};

}  // namespace kelo::app
