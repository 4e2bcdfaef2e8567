// kelo_driver: looks at and drives a running program through Win32 calls for
// the end-to-end tests.
//
// Output is UTF-8, one item per line; tabular output is tab-separated with
// tabs, newlines and backslashes in texts written as \t, \n, \r and \\.
// Exit codes: 0 success, 3 not found / condition false, 2 usage error (Wine itself answers
// 1 when it cannot start a program).

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>
#include <iphlpapi.h>
#include <tlhelp32.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kOk = 0;
// Not 1: Wine answers 1 itself when it cannot start a program, and the tests must tell
// that apart from a question answered "no".
constexpr int kFalse = 3;
constexpr int kUsage = 2;

constexpr UINT kSendTimeoutMs = 10000;
constexpr DWORD kPollMs = 50;

using Args = std::vector<std::wstring>;

// ---------------------------------------------------------------- output --

std::string utf8(std::wstring_view w)
{
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

void line(std::wstring_view w)
{
    std::string s = utf8(w);
    s.push_back('\n');
    fwrite(s.data(), 1, s.size(), stdout);
    // Written through at once: a driver ended from outside still leaves what it did say,
    // and a caller does not take it for a start that never ran.
    fflush(stdout);
}

void err(std::wstring_view w)
{
    std::string s = "kelo_driver: " + utf8(w) + "\n";
    fwrite(s.data(), 1, s.size(), stderr);
    fflush(stderr);
}

std::wstring escaped(std::wstring_view w)
{
    std::wstring r;
    for (wchar_t c : w) {
        switch (c) {
        case L'\\': r += L"\\\\"; break;
        case L'\t': r += L"\\t"; break;
        case L'\n': r += L"\\n"; break;
        case L'\r': r += L"\\r"; break;
        default: r += c;
        }
    }
    return r;
}

std::wstring num(unsigned long long v) { return std::to_wstring(v); }

std::wstring hex(unsigned long long v)
{
    wchar_t buf[32];
    swprintf(buf, 32, L"0x%08llX", v);
    return buf;
}

std::wstring hwndStr(HWND h) { return num(reinterpret_cast<uintptr_t>(h)); }

// ----------------------------------------------------------------- input --

std::optional<unsigned long long> parseNumber(const std::wstring& s)
{
    if (s.empty())
        return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long v;
    if (s[0] == L'-') {
        long long sv = wcstoll(s.c_str(), &end, 0);
        v = static_cast<unsigned long long>(sv);
    } else {
        v = wcstoull(s.c_str(), &end, 0);
    }
    if (errno != 0 || end == s.c_str() || *end != L'\0')
        return std::nullopt;
    return v;
}

std::optional<HWND> parseHwnd(const std::wstring& s)
{
    auto v = parseNumber(s);
    if (!v)
        return std::nullopt;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(*v));
}

// Splits "--name value" options off the arguments; what remains is positional.
struct Options {
    std::vector<std::wstring> positional;
    std::vector<std::pair<std::wstring, std::wstring>> named;
    bool bad = false;

    Options(const Args& args, std::initializer_list<const wchar_t*> known)
    {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::wstring& a = args[i];
            if (a.rfind(L"--", 0) != 0) {
                positional.push_back(a);
                continue;
            }
            bool ok = false;
            for (const wchar_t* k : known)
                ok = ok || a == k;
            if (!ok || i + 1 >= args.size()) {
                err(L"unknown option or missing value: " + a);
                bad = true;
                return;
            }
            named.emplace_back(a, args[++i]);
        }
    }

    std::optional<std::wstring> get(const wchar_t* name) const
    {
        for (const auto& [k, v] : named)
            if (k == name)
                return v;
        return std::nullopt;
    }

    // A numeric option; sets `bad` when present but not a number.
    unsigned long long number(const wchar_t* name, unsigned long long dflt)
    {
        auto s = get(name);
        if (!s)
            return dflt;
        auto v = parseNumber(*s);
        if (!v) {
            err(std::wstring(L"not a number: ") + name + L" " + *s);
            bad = true;
            return dflt;
        }
        return *v;
    }
};

// --------------------------------------------------------------- windows --

std::wstring className(HWND h)
{
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

// The caption as the window manager keeps it; never blocks on a hung window.
std::wstring captionOf(HWND h)
{
    wchar_t buf[1024] = {};
    InternalGetWindowText(h, buf, 1024);
    return buf;
}

// The window text as the window itself reports it (also the contents of an
// edit control in another process); falls back to the caption.
std::wstring textOf(HWND h)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &len))
        return captionOf(h);
    std::wstring buf(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(buf.data()), SMTO_NORMAL,
                             kSendTimeoutMs, &got))
        return captionOf(h);
    buf.resize(wcsnlen(buf.c_str(), buf.size()));
    return buf;
}

DWORD pidOf(HWND h)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

std::vector<HWND> topLevelWindows()
{
    std::vector<HWND> v;
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&v));
    return v;
}

std::vector<HWND> descendants(HWND parent)
{
    std::vector<HWND> v;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&v));
    return v;
}

// Windows process id -> executable file name, from a process snapshot.
std::wstring exeNameOf(DWORD pid)
{
    std::wstring name;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return name;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
        if (pe.th32ProcessID == pid) {
            name = pe.szExeFile;
            break;
        }
    }
    CloseHandle(snap);
    return name;
}

// Polls `probe` until it yields a window or `timeoutMs` has passed (probes at
// least once).
HWND waitFor(DWORD timeoutMs, const std::function<HWND()>& probe)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = probe())
            return h;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

std::vector<HWND> dialogsWithCaption(const std::wstring& caption)
{
    std::vector<HWND> v;
    for (HWND h : topLevelWindows())
        if (className(h) == L"#32770" && captionOf(h) == caption)
            v.push_back(h);
    return v;
}

// The message text of a message box: the static control that carries text
// (the icon is a static too, but without text).
std::wstring messageBoxText(HWND dlg)
{
    std::wstring fallback;
    for (HWND c : descendants(dlg)) {
        if (_wcsicmp(className(c).c_str(), L"Static") != 0)
            continue;
        std::wstring t = textOf(c);
        if (t.empty())
            continue;
        int id = GetDlgCtrlID(c);
        if (id == 0xFFFF || id == -1 || id == 100)
            return t;
        if (fallback.empty())
            fallback = t;
    }
    return fallback;
}

// Validates a window-handle argument; prints why when it is unusable.
std::optional<HWND> windowArg(const Args& a, size_t i = 0)
{
    if (a.size() <= i) {
        err(L"missing window handle");
        return std::nullopt;
    }
    auto h = parseHwnd(a[i]);
    if (!h) {
        err(L"not a window handle: " + a[i]);
        return std::nullopt;
    }
    return h;
}

bool exists(HWND h)
{
    if (IsWindow(h))
        return true;
    err(L"no such window: " + hwndStr(h));
    return false;
}

// -------------------------------------------------------------- commands --

std::wstring rectStr(const RECT& r)
{
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
           std::to_wstring(r.bottom);
}


int cmdOnline(const Args&)
{
    DWORD flags = 0;
    BOOL connected = InternetGetConnectedState(&flags, 0);
    line(connected ? L"1" : L"0");
    return kOk;
}

// Each network adapter: its friendly name, its GUID and whether it is up.
int cmdAdapters(const Args&)
{
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 4 && result == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                      nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return kFalse;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        std::wstring guid;
        for (const char* c = a->AdapterName; *c; ++c) guid += static_cast<wchar_t>(*c);
        line(std::wstring(a->FriendlyName) + L"\t" + guid + L"\t" + (a->OperStatus == IfOperStatusUp ? L"1" : L"0"));
    }
    return kOk;
}

// The Windows locale of the session: ANSI and OEM code pages, the user's locale name and
// the user interface language (LANGID).
int cmdLocale(const Args& args)
{
    if (!args.empty())
        return kUsage;
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    line(num(GetACP()) + L"\t" + num(GetOEMCP()) + L"\t" + escaped(name) + L"\t" +
         hex(GetUserDefaultUILanguage()));
    return kOk;
}

int cmdFind(const Args& args)
{
    Options o(args, {L"--class", L"--title", L"--timeout", L"--pid"});
    auto cls = o.get(L"--class");
    auto title = o.get(L"--title");
    DWORD timeout = static_cast<DWORD>(o.number(L"--timeout", 0));
    DWORD pid = static_cast<DWORD>(o.number(L"--pid", 0));
    if (o.bad || !cls || !o.positional.empty())
        return kUsage;
    HWND h = waitFor(timeout, [&]() -> HWND {
        for (HWND w : topLevelWindows()) {
            if (className(w) != *cls)
                continue;
            if (title && captionOf(w) != *title)
                continue;
            if (pid && pidOf(w) != pid)
                continue;
            return w;
        }
        return nullptr;
    });
    if (!h)
        return kFalse;
    line(hwndStr(h));
    return kOk;
}

int cmdGone(const Args& args)
{
    Options o(args, {L"--timeout"});
    DWORD timeout = static_cast<DWORD>(o.number(L"--timeout", 0));
    if (o.bad || o.positional.size() != 1)
        return kUsage;
    auto h = windowArg(o.positional);
    if (!h)
        return kUsage;
    DWORD start = GetTickCount();
    while (IsWindow(*h)) {
        if (GetTickCount() - start >= timeout)
            return kFalse;
        Sleep(kPollMs);
    }
    return kOk;
}

int cmdText(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(textOf(*h));
    return kOk;
}

int cmdChildren(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    for (HWND c : descendants(*h)) {
        RECT r{};
        GetWindowRect(c, &r);
        line(hwndStr(c) + L"\t" + escaped(className(c)) + L"\t" + escaped(textOf(c)) + L"\t" +
             std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
             std::to_wstring(r.bottom));
    }
    return kOk;
}

// A dialog's control by its id (IDOK, IDCANCEL, the system dialogs' fixed ids), which
// stays the same whatever language the dialog speaks: its handle, text and rectangle.
int cmdItem(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 2)
        return kUsage;
    auto id = parseNumber(args[1]);
    if (!id)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    HWND item = GetDlgItem(*h, static_cast<int>(*id));
    if (!item)
        return kFalse;
    RECT r{};
    GetWindowRect(item, &r);
    line(hwndStr(item) + L"\t" + escaped(textOf(item)) + L"\t" + rectStr(r));
    return kOk;
}

int cmdRect(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    RECT r{};
    if (!exists(*h) || !GetWindowRect(*h, &r))
        return kFalse;
    line(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
         std::to_wstring(r.bottom));
    return kOk;
}

int windowLong(const Args& args, int index)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(hex(static_cast<DWORD>(GetWindowLongPtrW(*h, index))));
    return kOk;
}

int cmdStyle(const Args& args) { return windowLong(args, GWL_STYLE); }
int cmdExStyle(const Args& args) { return windowLong(args, GWL_EXSTYLE); }

int cmdOwner(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(hwndStr(GetWindow(*h, GW_OWNER)));
    return kOk;
}

int cmdVisible(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(IsWindowVisible(*h) ? L"1" : L"0");
    return kOk;
}

// The window painted afresh, frame, client and every control, as at its first showing.
int cmdRedraw(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    RedrawWindow(*h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return kOk;
}

int cmdTopLevels(const Args& args)
{
    Options o(args, {L"--pid", L"--exe"});
    DWORD pid = static_cast<DWORD>(o.number(L"--pid", 0));
    auto exe = o.get(L"--exe");
    if (o.bad || !o.positional.empty())
        return kUsage;
    for (HWND h : topLevelWindows()) {
        if (!IsWindowVisible(h))
            continue;
        DWORD p = pidOf(h);
        if (pid && p != pid)
            continue;
        std::wstring name = exeNameOf(p);
        if (exe && _wcsicmp(name.c_str(), exe->c_str()) != 0)
            continue;
        line(hwndStr(h) + L"\t" + escaped(className(h)) + L"\t" + escaped(captionOf(h)) + L"\t" + num(p) +
             L"\t" + escaped(name));
    }
    return kOk;
}

int cmdProcesses(const Args& args)
{
    if (!args.empty())
        return kUsage;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return kFalse;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
        line(num(pe.th32ProcessID) + L"\t" + escaped(pe.szExeFile));
    CloseHandle(snap);
    return kOk;
}

int cmdMsgBox(const Args& args)
{
    Options o(args, {L"--caption", L"--timeout"});
    auto caption = o.get(L"--caption");
    DWORD timeout = static_cast<DWORD>(o.number(L"--timeout", 0));
    if (o.bad || !caption || !o.positional.empty())
        return kUsage;
    HWND h = waitFor(timeout, [&]() -> HWND {
        auto v = dialogsWithCaption(*caption);
        return v.empty() ? nullptr : v.front();
    });
    if (!h)
        return kFalse;
    line(hwndStr(h));
    line(messageBoxText(h));
    return kOk;
}

int cmdMsgBoxClose(const Args& args)
{
    Options o(args, {L"--caption", L"--button", L"--timeout"});
    auto caption = o.get(L"--caption");
    int wanted = static_cast<int>(o.number(L"--button", 0));
    DWORD timeout = static_cast<DWORD>(o.number(L"--timeout", 5000));
    if (o.bad || !caption || !o.positional.empty())
        return kUsage;
    auto dialogs = dialogsWithCaption(*caption);
    if (dialogs.empty()) {
        err(L"no dialog captioned " + *caption);
        return kFalse;
    }
    HWND dlg = dialogs.front();

    // Pick the requested button, else OK, else Cancel, else the first button.
    HWND button = nullptr;
    HWND firstButton = nullptr;
    for (int id : {wanted, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        if (id != 0 && !button)
            button = GetDlgItem(dlg, id);
    }
    if (!button) {
        for (HWND c : descendants(dlg)) {
            if (_wcsicmp(className(c).c_str(), L"Button") == 0 && IsWindowVisible(c)) {
                firstButton = c;
                break;
            }
        }
        button = firstButton;
    }
    int id = button ? GetDlgCtrlID(button) : IDOK;
    // Post rather than send so a dialog whose owner then blocks cannot hang us.
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));

    DWORD start = GetTickCount();
    while (IsWindow(dlg)) {
        if (GetTickCount() - start >= timeout) {
            err(L"dialog still open: " + hwndStr(dlg));
            return kFalse;
        }
        Sleep(kPollMs);
    }
    return kOk;
}

int cmdCountMsgBox(const Args& args)
{
    Options o(args, {L"--caption"});
    auto caption = o.get(L"--caption");
    if (o.bad || !caption || !o.positional.empty())
        return kUsage;
    line(num(dialogsWithCaption(*caption).size()));
    return kOk;
}

int cmdEndSession(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    DWORD_PTR allow = 0;
    if (!SendMessageTimeoutW(*h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, kSendTimeoutMs,
                             &allow)) {
        err(L"WM_QUERYENDSESSION was not answered");
        return kFalse;
    }
    line(num(allow));
    if (allow) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(*h, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, kSendTimeoutMs,
                                 &ignored)) {
            err(L"WM_ENDSESSION was not answered");
            return kFalse;
        }
    }
    return kOk;
}

struct MessageArgs {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

std::optional<MessageArgs> messageArgs(const Args& args)
{
    if (args.size() != 4) {
        err(L"expected HWND MSG WPARAM LPARAM");
        return std::nullopt;
    }
    auto h = parseHwnd(args[0]);
    auto m = parseNumber(args[1]);
    auto w = parseNumber(args[2]);
    auto l = parseNumber(args[3]);
    if (!h || !m || !w || !l) {
        err(L"arguments must be numbers (decimal or 0x hex)");
        return std::nullopt;
    }
    return MessageArgs{*h, static_cast<UINT>(*m), static_cast<WPARAM>(*w), static_cast<LPARAM>(*l)};
}

int cmdPost(const Args& args)
{
    auto m = messageArgs(args);
    if (!m)
        return kUsage;
    if (!exists(m->hwnd))
        return kFalse;
    BOOL ok = PostMessageW(m->hwnd, m->msg, m->wp, m->lp);
    line(ok ? L"1" : L"0");
    return ok ? kOk : kFalse;
}

int cmdSend(const Args& args)
{
    auto m = messageArgs(args);
    if (!m)
        return kUsage;
    if (!exists(m->hwnd))
        return kFalse;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(m->hwnd, m->msg, m->wp, m->lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        err(L"message was not answered");
        return kFalse;
    }
    line(std::to_wstring(static_cast<LONG_PTR>(result)));
    return kOk;
}

// A message whose lParam points to a buffer the window fills (SB_GETPARTS and
// the like): the buffer lives in the window's own process. Prints the result,
// then the buffer as signed 32-bit numbers.
int cmdSendBuffer(const Args& args)
{
    if (args.size() != 4)
        return kUsage;
    auto h = parseHwnd(args[0]);
    auto m = parseNumber(args[1]);
    auto w = parseNumber(args[2]);
    auto bytes = parseNumber(args[3]);
    if (!h || !m || !w || !bytes || *bytes == 0 || *bytes > 4096 || *bytes % 4 != 0)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pidOf(*h));
    if (!proc) {
        err(L"cannot open the window's process");
        return kFalse;
    }
    int rc = kFalse;
    std::vector<LONG> buffer(static_cast<size_t>(*bytes / 4), 0);
    void* remote = VirtualAllocEx(proc, nullptr, *bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR result = 0;
    if (remote && WriteProcessMemory(proc, remote, buffer.data(), *bytes, nullptr) &&
        SendMessageTimeoutW(*h, static_cast<UINT>(*m), static_cast<WPARAM>(*w), reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, kSendTimeoutMs, &result) &&
        ReadProcessMemory(proc, remote, buffer.data(), *bytes, nullptr)) {
        line(std::to_wstring(static_cast<LONG_PTR>(result)));
        std::wstring values;
        for (LONG v : buffer)
            values += (values.empty() ? L"" : L" ") + std::to_wstring(v);
        line(values);
        rc = kOk;
    } else {
        err(L"the message could not be sent with a buffer");
    }
    if (remote)
        VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    return rc;
}

int cmdGuiRes(const Args& args)
{
    if (args.size() != 1)
        return kUsage;
    auto pid = parseNumber(args[0]);
    if (!pid)
        return kUsage;
    HANDLE proc = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                              static_cast<DWORD>(*pid));
    if (!proc) {
        err(L"cannot open process " + args[0]);
        return kFalse;
    }
    SetLastError(0);
    DWORD gdi = GetGuiResources(proc, GR_GDIOBJECTS);
    DWORD gdiErr = GetLastError();
    SetLastError(0);
    DWORD user = GetGuiResources(proc, GR_USEROBJECTS);
    DWORD userErr = GetLastError();
    CloseHandle(proc);
    if ((gdi == 0 && gdiErr != 0) || (user == 0 && userErr != 0)) {
        err(L"GetGuiResources failed, error " + num(gdiErr ? gdiErr : userErr));
        return kFalse;
    }
    line(L"gdi " + num(gdi) + L" user " + num(user));
    return kOk;
}

// The program answers a WM_COPYDATA request tagged 'KINS' naming one of a form's
// components with that component's state, sent back by WM_COPYDATA to our window.
constexpr ULONG_PTR kInspectTag = 0x4B494E53;
std::wstring g_inspectReply;
bool g_inspectAnswered = false;

LRESULT CALLBACK inspectProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COPYDATA) {
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (cds && cds->dwData == kInspectTag) {
            g_inspectReply.assign(static_cast<const wchar_t*>(cds->lpData), cds->cbData / sizeof(wchar_t));
            g_inspectAnswered = true;
            return TRUE;
        }
    }
    return DefWindowProcW(h, msg, wp, lp);
}

int cmdInspect(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 2)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    WNDCLASSW wc{};
    wc.lpfnWndProc = inspectProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KeloDriverInspect";
    RegisterClassW(&wc);
    HWND me = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    const std::wstring& name = args[1];
    COPYDATASTRUCT request{kInspectTag, static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                           const_cast<wchar_t*>(name.data())};
    DWORD_PTR result = 0;
    const bool delivered = SendMessageTimeoutW(*h, WM_COPYDATA, reinterpret_cast<WPARAM>(me),
                                               reinterpret_cast<LPARAM>(&request), SMTO_NORMAL,
                                               kSendTimeoutMs, &result) != 0;
    const DWORD sendError = GetLastError();
    DestroyWindow(me);
    if (!delivered) {
        err(L"the window did not take the request about " + name + L" (error " +
            std::to_wstring(sendError) + L")");
        return kFalse;
    }
    if (!g_inspectAnswered || g_inspectReply == L"\x1b") {
        err(L"no answer about " + name);
        return kFalse;
    }
    line(g_inspectReply);
    return kOk;
}

int cmdSysMenuClose(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    return PostMessageW(*h, WM_SYSCOMMAND, SC_CLOSE, 0) ? kOk : kFalse;
}

// The font a window draws with (WM_GETFONT): face, height, weight, italic,
// underline, strike-out, character set.
int cmdFont(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    DWORD_PTR font = 0;
    if (!SendMessageTimeoutW(*h, WM_GETFONT, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &font)) {
        err(L"WM_GETFONT was not answered, error " + num(GetLastError()));
        return kFalse;
    }
    if (!font) {
        err(L"the window has no font of its own");
        return kFalse;
    }
    LOGFONTW lf{};
    if (!GetObjectW(reinterpret_cast<HFONT>(font), sizeof lf, &lf)) {
        err(L"cannot read the font " + hex(font));
        return kFalse;
    }
    line(escaped(lf.lfFaceName) + L"\t" + std::to_wstring(lf.lfHeight) + L"\t" + num(lf.lfWeight) + L"\t" +
         num(lf.lfItalic) + L"\t" + num(lf.lfUnderline) + L"\t" + num(lf.lfStrikeOut) + L"\t" +
         num(lf.lfCharSet));
    return kOk;
}

int cmdScreen(const Args& args)
{
    if (!args.empty())
        return kUsage;
    line(std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" " + std::to_wstring(GetSystemMetrics(SM_CYSCREEN)));
    return kOk;
}

// A system metric (GetSystemMetrics), e.g. 15 for the height of a menu bar.
int cmdMetric(const Args& args)
{
    if (args.size() != 1)
        return kUsage;
    auto index = parseNumber(args[0]);
    if (!index)
        return kUsage;
    line(std::to_wstring(GetSystemMetrics(static_cast<int>(*index))));
    return kOk;
}

// The constant opacity of a layered window; "not found" for an opaque one.
int cmdAlpha(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    if (!(GetWindowLongPtrW(*h, GWL_EXSTYLE) & WS_EX_LAYERED)) {
        err(L"not a layered window");
        return kFalse;
    }
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    if (!GetLayeredWindowAttributes(*h, &key, &alpha, &flags) || !(flags & LWA_ALPHA)) {
        err(L"the window has no constant opacity");
        return kFalse;
    }
    line(num(alpha));
    return kOk;
}

// The client area in screen coordinates.
int cmdClient(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    RECT r{};
    if (!exists(*h) || !GetClientRect(*h, &r))
        return kFalse;
    MapWindowPoints(*h, nullptr, reinterpret_cast<POINT*>(&r), 2);
    line(rectStr(r));
    return kOk;
}

int cmdCursor(const Args& args)
{
    if (!args.empty())
        return kUsage;
    POINT p{};
    if (!GetCursorPos(&p))
        return kFalse;
    line(std::to_wstring(p.x) + L" " + std::to_wstring(p.y));
    return kOk;
}

int cmdForeground(const Args& args)
{
    if (!args.empty())
        return kUsage;
    HWND h = GetForegroundWindow();
    if (!h)
        return kFalse;
    line(hwndStr(h));
    return kOk;
}

// The X window Wine made for a top-level window (0 outside Wine's X11 driver).
int cmdXWindow(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(num(reinterpret_cast<uintptr_t>(GetPropW(*h, L"__wine_x11_whole_window"))));
    return kOk;
}

int cmdDesktop(const Args& args)
{
    if (!args.empty())
        return kUsage;
    line(hwndStr(GetDesktopWindow()));
    return kOk;
}

int cmdIconic(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(IsIconic(*h) ? L"1" : L"0");
    return kOk;
}

// The open popup-menu windows ("#32768"), topmost first: handle and rectangle.
int cmdMenuWindows(const Args& args)
{
    Options o(args, {L"--timeout"});
    DWORD timeout = static_cast<DWORD>(o.number(L"--timeout", 0));
    if (o.bad || !o.positional.empty())
        return kUsage;
    auto open = [] {
        std::vector<HWND> v;
        for (HWND w : topLevelWindows())
            if (className(w) == L"#32768" && IsWindowVisible(w))
                v.push_back(w);
        return v;
    };
    if (!waitFor(timeout, [&]() -> HWND { auto v = open(); return v.empty() ? nullptr : v.front(); }))
        return kFalse;
    for (HWND w : open()) {
        RECT r{};
        GetWindowRect(w, &r);
        line(hwndStr(w) + L"\t" + rectStr(r));
    }
    return kOk;
}

// Sends a registered window message to every top-level window.
int cmdBroadcast(const Args& args)
{
    if (args.size() != 1)
        return kUsage;
    UINT msg = RegisterWindowMessageW(args[0].c_str());
    if (!msg)
        return kFalse;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, msg, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored);
    line(num(msg));
    return kOk;
}

// Shell_NotifyIcon for another program's icon, known by its window and id:
// "delete" removes it, "modify" changes nothing and so tells whether it is there.
int cmdNotifyIcon(const Args& args)
{
    if (args.size() != 3 || (args[0] != L"delete" && args[0] != L"modify"))
        return kUsage;
    auto h = parseHwnd(args[1]);
    auto id = parseNumber(args[2]);
    if (!h || !id)
        return kUsage;
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = *h;
    nid.uID = static_cast<UINT>(*id);
    BOOL ok = Shell_NotifyIconW(args[0] == L"delete" ? NIM_DELETE : NIM_MODIFY, &nid);
    line(ok ? L"1" : L"0");
    return ok ? kOk : kFalse;
}

int cmdUserData(const Args& args)
{
    auto h = windowArg(args);
    if (!h || args.size() != 1)
        return kUsage;
    if (!exists(*h))
        return kFalse;
    line(num(static_cast<unsigned long long>(GetWindowLongPtrW(*h, GWLP_USERDATA))));
    return kOk;
}

struct Command {
    const wchar_t* name;
    int (*run)(const Args&);
    const wchar_t* usage;
};

const Command kCommands[] = {
    {L"online", cmdOnline, L"online"},
    {L"adapters", cmdAdapters, L"adapters (friendly name, GUID, up)"},
    {L"locale", cmdLocale, L"locale (ANSI code page, OEM code page, user locale name, UI language)"},
    {L"find", cmdFind, L"find --class CLS [--title TEXT] [--pid WINPID] [--timeout MS]"},
    {L"gone", cmdGone, L"gone HWND [--timeout MS]"},
    {L"text", cmdText, L"text HWND"},
    {L"children", cmdChildren, L"children HWND"},
    {L"item", cmdItem, L"item HWND ID (a dialog's control by id: handle, text, rectangle)"},
    {L"rect", cmdRect, L"rect HWND"},
    {L"style", cmdStyle, L"style HWND"},
    {L"exstyle", cmdExStyle, L"exstyle HWND"},
    {L"owner", cmdOwner, L"owner HWND"},
    {L"visible", cmdVisible, L"visible HWND"},
    {L"redraw", cmdRedraw, L"redraw HWND (paint it whole afresh)"},
    {L"toplevels", cmdTopLevels, L"toplevels [--pid WINPID] [--exe NAME.exe]"},
    {L"processes", cmdProcesses, L"processes"},
    {L"msgbox", cmdMsgBox, L"msgbox --caption TEXT [--timeout MS]"},
    {L"msgbox-close", cmdMsgBoxClose, L"msgbox-close --caption TEXT [--button ID] [--timeout MS]"},
    {L"count-msgbox", cmdCountMsgBox, L"count-msgbox --caption TEXT"},
    {L"end-session", cmdEndSession, L"end-session HWND"},
    {L"post", cmdPost, L"post HWND MSG WPARAM LPARAM"},
    {L"send", cmdSend, L"send HWND MSG WPARAM LPARAM"},
    {L"send-buffer", cmdSendBuffer, L"send-buffer HWND MSG WPARAM BYTES (lParam: a zeroed buffer in the window's process)"},
    {L"guires", cmdGuiRes, L"guires WINPID"},
    {L"sysmenu-close", cmdSysMenuClose, L"sysmenu-close HWND"},
    {L"font", cmdFont, L"font HWND (face, height, weight, italic, underline, strike-out, charset)"},
    {L"screen", cmdScreen, L"screen"},
    {L"metric", cmdMetric, L"metric INDEX (GetSystemMetrics)"},
    {L"alpha", cmdAlpha, L"alpha HWND"},
    {L"client", cmdClient, L"client HWND (client area in screen coordinates)"},
    {L"cursor", cmdCursor, L"cursor"},
    {L"foreground", cmdForeground, L"foreground"},
    {L"desktop", cmdDesktop, L"desktop"},
    {L"xwindow", cmdXWindow, L"xwindow HWND (the X window of a top-level window under Wine)"},
    {L"iconic", cmdIconic, L"iconic HWND"},
    {L"menu-windows", cmdMenuWindows, L"menu-windows [--timeout MS]"},
    {L"broadcast", cmdBroadcast, L"broadcast REGISTERED-MESSAGE-NAME"},
    {L"notify-icon", cmdNotifyIcon, L"notify-icon delete|modify HWND ID"},
    {L"userdata", cmdUserData, L"userdata HWND"},
    {L"inspect", cmdInspect, L"inspect HWND COMPONENT (a form's component: its caption; a menu item: caption, checked, enabled, command id)"},
};

int usage()
{
    err(L"usage:");
    for (const Command& c : kCommands)
        err(std::wstring(L"  kelo_driver ") + c.usage);
    return kUsage;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Exact bytes out: no CR/LF translation of the UTF-8 we write.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    if (argc < 2)
        return usage();
    std::wstring name = argv[1];
    Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (name == c.name) {
            int rc = c.run(args);
            if (rc == kUsage)
                err(std::wstring(L"usage: kelo_driver ") + c.usage);
            fflush(stdout);
            return rc;
        }
    }
    err(L"unknown command: " + name);
    return usage();
}
