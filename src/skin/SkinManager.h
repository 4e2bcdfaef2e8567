#pragma once
// TSkinManager: one per process. It watches window creation, activation and destruction
// of the GUI thread through a CBT hook, skins top-level windows and popup-menu windows,
// and runs the deferred skin actions (activate, deactivate, recolour, free) from a
// 250 ms timer.
#include <windows.h>

#include <memory>
#include <vector>

namespace kelo::skin {

class TSkinSource;
class TSkinnedWindow;
class TSkinnedPopupMenu;

// Private messages of skinned windows.
inline constexpr UINT kSkinnedQueryMessage = 0x3504;    // answered 1 by a skinned window
inline constexpr UINT kSkinAttachedMessage = 0x3503;    // posted after attach: finish it
inline constexpr UINT kSkinRepaintMessage = 0x3502;     // repaint the skinned frame

enum class SkinAction { None = 0, Activate = 1, Deactivate = 2, Recolour = 3, FreeDestroyed = 6 };

class TSkinManager {
public:
    // The manager, or none before the first skin source loaded / after it was destroyed.
    static TSkinManager* Instance();
    // Makes the manager when there is none.
    static TSkinManager& Create();
    // Detaches every window, frees the popup skins, removes the hooks. Before WinMain
    // returns, and when the last skin source goes.
    static void Destroy();

    ~TSkinManager();
    TSkinManager(const TSkinManager&) = delete;
    TSkinManager& operator=(const TSkinManager&) = delete;

    // A skin source that finished loading: registered and, by its form type, put to work.
    void SourceLoaded(TSkinSource& source);
    void RegisterData(TSkinSource& source);
    // Every window skinned with the source is detached first.
    void UnregisterData(TSkinSource& source);

    // The central attach routine: true when it skinned the window now.
    bool SkinWindow(HWND window);
    TSkinnedWindow* FindSkinnedWindow(HWND window) const;
    TSkinSource* FindDataForWindow(HWND window) const;
    size_t SkinnedWindowCount() const { return windows_.size(); }
    size_t PopupSkinCount() const { return popups_.size(); }

    void ScheduleAction(SkinAction action, TSkinSource& source);
    // Runs the pending action now (the timer does this 250 ms after scheduling).
    void RunPendingAction();
    void RefreshAll();

    void SkinPopupWindow(HWND window);
    void ReleasePopupWindow(HWND window);

    bool Active() const { return active_; }
    bool PopupTracking() const { return popupTracking_; }
    void SetPopupTracking(bool tracking) { popupTracking_ = tracking; }
    bool MdiMaximized() const { return mdiMaximized_; }
    void SetMdiMaximized(bool maximized) { mdiMaximized_ = maximized; }

    // A skinned window's window got WM_NCDESTROY and passed it on: unlist and free it.
    void WindowDestroyed(TSkinnedWindow& window);

    // Skin source switches changed at run time.
    void ActiveChanged(TSkinSource& source, bool active);
    // Before a source's skin is replaced: its windows drop what points into the old skin.
    void SkinAboutToChange(TSkinSource& source);
    // After: recolour with the new skin (action 3), or unskin when it could not be read.
    void SkinFileChanged(TSkinSource& source);

private:
    TSkinManager();
    void InstallHook();
    void RemoveHook();
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void StartTimer();
    // Colours or settings of the system changed: the sources follow the new scheme and
    // every skinned window repaints, frame and controls too.
    void SystemColoursChanged();
    void StopTimer();
    void DetachAndFree(size_t index);
    void ActOnOnlyThisForm(SkinAction action, TSkinSource& source);
    void ActOnAll(SkinAction action, TSkinSource& source);

    UINT_PTR timer_ = 0;
    HHOOK hook_ = nullptr;
    int applicationHook_ = 0;
    std::vector<std::unique_ptr<TSkinnedWindow>> windows_;
    std::vector<std::unique_ptr<TSkinnedPopupMenu>> popups_;
    std::vector<TSkinSource*> sources_;
    bool active_ = false;
    bool activatingAll_ = false;
    int readiness_ = 0;
    bool popupTracking_ = false;
    bool mdiMaximized_ = false;
    SkinAction pendingAction_ = SkinAction::None;
    TSkinSource* pendingSource_ = nullptr;
};

}  // namespace kelo::skin
