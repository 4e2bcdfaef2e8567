#include "TestSupport.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kelo::test {

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    std::wstring dir = std::wstring(base) + L"kelo-test-" + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(++counter) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    path_ = win::Narrow(dir);
}

TempDir::~TempDir() {
    const std::wstring dir = win::Widen(path_);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            SetFileAttributesW((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((dir + name).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

MessageBoxCloser::MessageBoxCloser(std::wstring caption, std::vector<int> answers)
    : caption_(std::move(caption)), answers_(std::move(answers)) {
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] { Run(); });
}

MessageBoxCloser::~MessageBoxCloser() {
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&lock_);
}

std::wstring MessageBoxCloser::Locked(const std::wstring& text) const {
    EnterCriticalSection(&lock_);
    std::wstring copy = text;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::wstring MessageBoxCloser::LastText() const { return Locked(lastText_); }
std::wstring MessageBoxCloser::LastButtons() const { return Locked(lastButtons_); }

namespace {
// The texts of the box's controls of one class that have text, in their order.
std::vector<std::wstring> ChildTexts(HWND box, const wchar_t* cls) {
    struct Search {
        const wchar_t* cls;
        std::vector<std::wstring> texts;
    } search{cls, {}};
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            const std::wstring text = WindowText(child);
            if (lstrcmpiW(name, s->cls) == 0 && !text.empty()) s->texts.push_back(text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

std::wstring ButtonCaptions(HWND box) {
    std::wstring joined;
    for (const std::wstring& caption : ChildTexts(box, L"Button")) joined += caption + L"|";
    return joined;
}
}  // namespace

// The message of a message box: the text of its one static control that has text.
std::wstring MessageBoxText(HWND box) {
    const std::vector<std::wstring> texts = ChildTexts(box, L"Static");
    return texts.empty() ? std::wstring() : texts.front();
}

int CountMessageBoxes(const std::wstring& caption) {
    struct Search {
        const std::wstring& caption;
        int count;
    } search{caption, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd) &&
                WindowText(hwnd) == s->caption)
                ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

void MessageBoxCloser::Run() {
    while (!stop_) {
        HWND box = FindWindowW(L"#32770", caption_.c_str());
        if (box && IsWindowVisible(box)) {
            EnterCriticalSection(&lock_);
            lastText_ = MessageBoxText(box);
            lastButtons_ = ButtonCaptions(box);
            LeaveCriticalSection(&lock_);
            const size_t n = static_cast<size_t>(count_++);
            const int answer = answers_.empty() ? IDOK : answers_[std::min(n, answers_.size() - 1)];
            SendMessageW(box, WM_COMMAND, answer, 0);
            for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(10);
        }
        Sleep(20);
    }
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(win::Widen(path).c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(win::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

void PumpFor(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG msg;
    while (GetTickCount() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

long ProcessGdiObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(count);
    long found = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++found;
    return found;
}

SystemColourChange::SystemColourChange(int index, COLORREF colour) : index_(index), saved_(GetSysColor(index)) {
    SetSysColors(1, &index_, &colour);
}

SystemColourChange::~SystemColourChange() { SetSysColors(1, &index_, &saved_); }

}  // namespace kelo::test
