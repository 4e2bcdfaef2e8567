#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/UsageSession.h"
#include "framework/Handle.h"
#include "framework/Window.h"

namespace kelo {
class Clock;
class FileStore;
class TextCodec;
}  // namespace kelo

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
};

// The main window: the information strip with the month total, the run's online time
// and the counting start, driven by the connection check and the one-second counter.
class TFrmKeloMain : public win::TWindow {
public:
    explicit TFrmKeloMain(MainServices services);
    ~TFrmKeloMain() override;

    void Show();
    const UsageSession& Session() const { return *session_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void CreateInfoStrip();
    void UpdateInfoStrip();
    void tmrCheckerTimer();
    void tmrTimeTimer();
    void Checkpoint();
    void RaiseAlarms(const std::vector<Alarm>& alarms);
    void RaiseAlarm(const char* message);
    // The exit sequence: stop counting and save. False when the save failed; the run
    // then goes on counting and nothing is lost.
    bool FormCloseQuery();
    void StopTimers();
    void ResumeAfterFailedExit();

    void WMSysCommand(WPARAM command, LPARAM lParam);
    LRESULT WMQueryEndSession();
    void WMEndSession(bool ending);
    LRESULT WMCtlColorStatic(HDC dc, HWND control);
    void WMPaint();

    MainServices services_;
    std::optional<UsageSession> session_;
    win::TTimer tmrChecker_;
    win::TTimer tmrTime_;
    win::Font font_;
    win::Brush stripBrush_;
    HWND lblMonthStr_ = nullptr;
    HWND lblCurStr_ = nullptr;
    HWND lblStartStr_ = nullptr;
    std::string monthText_;
    std::string runText_;
    bool ending_ = false;
};

}  // namespace kelo::app
