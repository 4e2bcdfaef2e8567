#include "app/Main.h"

#include <mmsystem.h>

#include "app/KeloStringRes.h"
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/WinText.h"

namespace kelo::app {

namespace {

constexpr UINT_PTR kCheckerTimerId = 1;
constexpr UINT_PTR kTimeTimerId = 2;
constexpr UINT kCheckerIntervalMs = 2000;
constexpr UINT kTimeIntervalMs = 1000;

// The window's designed place and size, and the information strip inside it.
constexpr int kLeft = 356, kTop = 179, kWidth = 696, kHeight = 484;
constexpr int kStripHeight = 39;
constexpr int kStripTextLeft = 120;  // the date picker's part of the strip comes first
constexpr int kLabelTop = 14;
constexpr int kMonthLabelX = kStripTextLeft + 1 + 9;
constexpr int kCurLabelX = kStripTextLeft + 1 + 210;
constexpr int kStartLabelX = kStripTextLeft + 1 + 363;
constexpr COLORREF kStripText = RGB(0, 128, 0);

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

HWND CreateLabel(HWND parent, int x, int y, int width, HFONT font) {
    HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                                 x, y, width, 14, parent, nullptr,
                                 win::Application().InstanceHandle(), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return label;
}

void SetLabel(HWND label, const std::string& utf8) {
    SetWindowTextW(label, win::Widen(utf8).c_str());
}

// Sets a label only when its text changes: most ticks change one label of two.
void UpdateLabel(HWND label, std::string& shown, std::string text) {
    if (text == shown) return;
    shown = std::move(text);
    SetLabel(label, shown);
}

}  // namespace

TFrmKeloMain::TFrmKeloMain(MainServices services)
    : services_(std::move(services)),
      tmrChecker_(*this, kCheckerTimerId, kCheckerIntervalMs, [this] { tmrCheckerTimer(); }),
      tmrTime_(*this, kTimeTimerId, kTimeIntervalMs, [this] { tmrTimeTimer(); }) {
    win::WindowParams p;
    p.className = L"TFrmKeloMain";
    p.caption = res::kMainCaption;
    p.x = kLeft;
    p.y = kTop;
    p.width = kWidth;
    p.height = kHeight;
    CreateHandle(p);
    FormCreate();
}

TFrmKeloMain::~TFrmKeloMain() { DestroyHandle(); }

void TFrmKeloMain::FormCreate() {
    session_.emplace(SessionEnvironment{services_.files, services_.codec, services_.clock,
                                        services_.appDir, services_.hostName,
                                        services_.ipAddress});
    CreateInfoStrip();
    UpdateInfoStrip();
    SetLabel(lblStartStr_, res::kStartLabel + win::Narrow(DefaultDateTimeText(session_->CountStart())));
    tmrChecker_.SetEnabled(true);
    for (const std::string& message : session_->StartupMessages())
        win::Application().ShowException(KeloError(message), Handle());
}

void TFrmKeloMain::CreateInfoStrip() {
    font_.Reset(CreateFontW(-res::kUiFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, res::kUiFontName));
    stripBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_BTNTEXT)));
    RECT client;
    GetClientRect(Handle(), &client);
    lblMonthStr_ = CreateLabel(Handle(), kMonthLabelX, kLabelTop, kCurLabelX - kMonthLabelX,
                               font_.Get());
    lblCurStr_ = CreateLabel(Handle(), kCurLabelX, kLabelTop, kStartLabelX - kCurLabelX,
                             font_.Get());
    lblStartStr_ = CreateLabel(Handle(), kStartLabelX, kLabelTop,
                               client.right - 2 - kStartLabelX, font_.Get());
}

void TFrmKeloMain::UpdateInfoStrip() {
    UpdateLabel(lblMonthStr_, monthText_, res::kMonthLabel + session_->MonthTotalText());
    UpdateLabel(lblCurStr_, runText_, res::kRunLabel + FormatDuration(session_->RunSeconds()));
}

void TFrmKeloMain::Show() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

void TFrmKeloMain::tmrCheckerTimer() {
    if (ending_) return;
    const auto alarms = session_->OnCheck(services_.isOnline());
    tmrTime_.SetEnabled(session_->Counting());
    UpdateInfoStrip();
    Checkpoint();
    RaiseAlarms(alarms);
}

void TFrmKeloMain::tmrTimeTimer() {
    if (ending_) return;
    const auto alarms = session_->OnTick();
    UpdateInfoStrip();
    Checkpoint();
    RaiseAlarms(alarms);
}

void TFrmKeloMain::Checkpoint() {
    if (auto failure = session_->CheckpointIfDue())
        win::Application().ShowException(KeloError(*failure), Handle());
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
    tmrChecker_.SetEnabled(false);
    tmrTime_.SetEnabled(false);
}

void TFrmKeloMain::ResumeAfterFailedExit() {
    ending_ = false;
    session_->Resume();
    tmrChecker_.SetEnabled(true);
}

bool TFrmKeloMain::FormCloseQuery() {
    StopTimers();
    try {
        session_->SaveAtExit();
    } catch (const KeloError& e) {
        win::Application().ShowException(e, Handle());
        ResumeAfterFailedExit();
        return false;
    }
    return true;
}

LRESULT TFrmKeloMain::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND: WMSysCommand(wParam, lParam); return 0;
    case WM_QUERYENDSESSION: return WMQueryEndSession();
    case WM_ENDSESSION: WMEndSession(wParam != FALSE); return 0;
    case WM_CTLCOLORSTATIC: return WMCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_PAINT: WMPaint(); return 0;
    case WM_DESTROY: win::Application().Terminate(); return 0;
    default: return DefaultHandler(msg, wParam, lParam);
    }
}

void TFrmKeloMain::WMSysCommand(WPARAM command, LPARAM lParam) {
    // The close button and Alt+F4 put the program away; it goes on counting.
    if ((command & 0xFFF0) == SC_CLOSE) {
        ShowWindow(Handle(), SW_MINIMIZE);
        return;
    }
    DefaultHandler(WM_SYSCOMMAND, command, lParam);
}

LRESULT TFrmKeloMain::WMQueryEndSession() {
    if (ending_) return TRUE;
    StopTimers();
    try {
        session_->SaveAtExit();
    } catch (const KeloError& e) {
        win::Application().ShowException(e, Handle());
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
    DestroyWindow(Handle());
}

LRESULT TFrmKeloMain::WMCtlColorStatic(HDC dc, HWND) {
    SetTextColor(dc, kStripText);
    SetBkColor(dc, GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(stripBrush_.Get());
}

void TFrmKeloMain::WMPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    RECT client;
    GetClientRect(Handle(), &client);
    RECT strip{kStripTextLeft, 1, client.right - 1, kStripHeight - 1};
    FillRect(dc, &strip, stripBrush_.Get());
    DrawEdge(dc, &strip, BDR_SUNKENOUTER, BF_RECT);
    RECT outer{0, 0, client.right, kStripHeight};
    DrawEdge(dc, &outer, BDR_SUNKENINNER, BF_RECT);
    EndPaint(Handle(), &ps);
}

}  // namespace kelo::app
