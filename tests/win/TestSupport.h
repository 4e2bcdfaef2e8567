#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/Clock.h"
#include "framework/WinText.h"

namespace kelo::test {

// A directory of its own under the temporary folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }  // with trailing separator

private:
    std::string path_;
};

class ManualClock : public Clock {
public:
    int64_t MonotonicMs() override { return monotonicMs; }
    LocalDateTime LocalNow() override { return local; }
    int64_t monotonicMs = 1'000'000;
    LocalDateTime local{2026, 12, 7, 9, 30, 0};
};

// Closes every message box with the given caption that appears while it lives, and
// keeps the text of the last one. The n-th box is answered with the n-th of `answers`
// (the last of them from then on; OK when none are given).
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(std::wstring caption, std::vector<int> answers = {});
    ~MessageBoxCloser();
    int Count() const { return count_; }
    std::wstring LastText() const;
    // The captions of the last box's buttons, in their order, each followed by "|".
    std::wstring LastButtons() const;

private:
    void Run();
    std::wstring Locked(const std::wstring& text) const;
    std::wstring caption_;
    std::vector<int> answers_;
    std::wstring lastButtons_;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::wstring lastText_;
    mutable CRITICAL_SECTION lock_;
    std::thread thread_;
};

// The message boxes with the given caption that are on screen now, and the text of one.
int CountMessageBoxes(const std::wstring& caption);
std::wstring MessageBoxText(HWND box);

// Handles the messages that come in for a while (timers, posted work, boxes).
void PumpFor(DWORD ms);

std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
std::wstring WindowText(HWND hwnd);

// A system colour changed for a test and put back when it goes: the change holds for
// every program of the session.
class SystemColourChange {
public:
    SystemColourChange(int index, COLORREF colour);
    ~SystemColourChange();
    SystemColourChange(const SystemColourChange&) = delete;
    SystemColourChange& operator=(const SystemColourChange&) = delete;

private:
    int index_;
    COLORREF saved_;
};

// The GDI objects the process holds: what GetGuiResources answers, or under Wine, where
// it answers 0, the objects found by probing the handle table (Wine takes a handle by its
// table index alone). 0 when neither works.
long ProcessGdiObjects();

}  // namespace kelo::test
