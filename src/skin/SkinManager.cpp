#include "skin/SkinManager.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Form.h"
#include "skin/frame/SkinFrameRules.h"
#include "skin/SkinSource.h"
#include "skin/menu/SkinnedMenu.h"
#include "skin/frame/SkinnedWindow.h"

namespace kelo::skin {

namespace {

std::unique_ptr<TSkinManager>& Slot() {
    // The application comes first, so that it goes last: a manager still alive at the
    // very end unhooks itself from the application window.
    win::Application();
    static std::unique_ptr<TSkinManager> manager;
    return manager;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return lstrcmpiW(a.c_str(), b) == 0; }

}  // namespace

TSkinManager* TSkinManager::Instance() { return Slot().get(); }

TSkinManager& TSkinManager::Create() {
    if (!Slot()) Slot().reset(new TSkinManager());
    return *Slot();
}

void TSkinManager::Destroy() {
    // Unlisted first: what the windows do while they detach finds no manager.
    std::unique_ptr<TSkinManager> manager = std::move(Slot());
}

TSkinManager::TSkinManager() {
    // The system tells every top-level window of a new scheme; the application window is
    // the one that is always there.
    applicationHook_ = win::Application().HookMainWindow([](UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (msg != WM_SYSCOLORCHANGE && msg != WM_SETTINGCHANGE) return false;
        if (TSkinManager* manager = Instance()) manager->SystemColoursChanged();
        return false;
    });
}

TSkinManager::~TSkinManager() {
    win::Application().UnhookMainWindow(applicationHook_);
    StopTimer();
    RemoveHook();
    while (!windows_.empty()) DetachAndFree(windows_.size() - 1);
    while (!popups_.empty()) popups_.pop_back();
}

// ---- sources --------------------------------------------------------------------------

void TSkinManager::RegisterData(TSkinSource& source) {
    if (std::find(sources_.begin(), sources_.end(), &source) == sources_.end()) sources_.push_back(&source);
}

void TSkinManager::UnregisterData(TSkinSource& source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), &source), sources_.end());
    if (pendingSource_ == &source) {
        pendingSource_ = nullptr;
        pendingAction_ = SkinAction::None;
        StopTimer();
    }
    for (size_t i = windows_.size(); i-- > 0;)
        if (&windows_[i]->Source() == &source) DetachAndFree(i);
    if (sources_.empty()) Destroy();  // the last statement: this object is gone now
}

void TSkinManager::SourceLoaded(TSkinSource& source) {
    RegisterData(source);
    if (source.SkinFormType != TSkinFormType::sfMainform) {
        active_ = true;
        ++readiness_;
        auto* form = dynamic_cast<win::TCustomForm*>(source.Owner());
        if (form && form->HandleAllocated()) SkinWindow(form->Handle());
        return;
    }
    InstallHook();
    if (!source.Active()) return;
    if (source.SkinEmpty()) {
        source.SetActive(false);
        return;
    }
    ScheduleAction(SkinAction::Activate, source);
}

void TSkinManager::ActiveChanged(TSkinSource& source, bool active) {
    if (source.SkinFormType == TSkinFormType::sfDialog) return;
    if (active && source.SkinEmpty()) return;
    ScheduleAction(active ? SkinAction::Activate : SkinAction::Deactivate, source);
}

void TSkinManager::SkinAboutToChange(TSkinSource& source) {
    for (const auto& window : windows_)
        if (&window->Source() == &source) window->DropCaptionButtons();
}

void TSkinManager::SkinFileChanged(TSkinSource& source) {
    ScheduleAction(source.SkinEmpty() ? SkinAction::Deactivate : SkinAction::Recolour, source);
}

// ---- actions --------------------------------------------------------------------------

void TSkinManager::ScheduleAction(SkinAction action, TSkinSource& source) {
    pendingAction_ = action;
    pendingSource_ = &source;
    if (readiness_ == 0 && (action == SkinAction::Activate || action == SkinAction::Deactivate)) {
        // No window was activated yet: the first activation skins it.
        active_ = action == SkinAction::Activate;
        pendingAction_ = SkinAction::None;
        pendingSource_ = nullptr;
        return;
    }
    StartTimer();
}

void TSkinManager::StartTimer() {
    StopTimer();
    timer_ = SetTimer(nullptr, 0, 250, &TimerProc);
}

void TSkinManager::StopTimer() {
    if (timer_) KillTimer(nullptr, timer_);
    timer_ = 0;
}

void CALLBACK TSkinManager::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    win::HandleExceptions(nullptr, [] {
        if (TSkinManager* manager = Instance()) manager->RunPendingAction();
    });
}

void TSkinManager::RunPendingAction() {
    StopTimer();
    if (!pendingSource_) return;
    TSkinSource& source = *std::exchange(pendingSource_, nullptr);
    const SkinAction action = std::exchange(pendingAction_, SkinAction::None);
    if (source.SkinFormType == TSkinFormType::sfOnlyThisForm) ActOnOnlyThisForm(action, source);
    else ActOnAll(action, source);
    if (source.OnSkinChanged) source.OnSkinChanged(source);
}

void TSkinManager::ActOnOnlyThisForm(SkinAction action, TSkinSource& source) {
    auto uses = [&source](const auto& window) { return &window->Source() == &source; };
    switch (action) {
    case SkinAction::Activate: {
        active_ = true;
        activatingAll_ = true;
        const auto& forms = win::TCustomForm::Forms();
        for (size_t i = forms.size(); i-- > 0;) {
            if (forms[i] == source.Owner() && forms[i]->HandleAllocated()) {
                SkinWindow(forms[i]->Handle());
                break;
            }
        }
        activatingAll_ = false;
        break;
    }
    case SkinAction::Deactivate: {
        active_ = false;
        auto it = std::find_if(windows_.begin(), windows_.end(), uses);
        if (it != windows_.end()) DetachAndFree(static_cast<size_t>(it - windows_.begin()));
        break;
    }
    case SkinAction::Recolour: {
        auto it = std::find_if(windows_.begin(), windows_.end(), uses);
        if (it == windows_.end()) break;
        (*it)->DropCaptionButtons();
        (*it)->BuildCaptionButtons();
        (*it)->Recolour();
        break;
    }
    default: break;
    }
}

void TSkinManager::ActOnAll(SkinAction action, TSkinSource& source) {
    switch (action) {
    case SkinAction::Activate: {
        active_ = true;
        activatingAll_ = true;
        // A copy: skinning may make windows, and with them forms.
        const std::vector<win::TCustomForm*> forms = win::TCustomForm::Forms();
        for (size_t i = forms.size(); i-- > 0;)
            if (forms[i]->HandleAllocated()) SkinWindow(forms[i]->Handle());
        activatingAll_ = false;
        break;
    }
    case SkinAction::Deactivate:
        active_ = false;
        while (!windows_.empty()) DetachAndFree(windows_.size() - 1);
        break;
    case SkinAction::Recolour: {
        std::vector<TSkinnedWindow*> using_;
        for (const auto& window : windows_)
            if (&window->Source() == &source) using_.push_back(window.get());
        for (TSkinnedWindow* window : using_) {
            window->DropCaptionButtons();
            window->BuildCaptionButtons();
        }
        for (TSkinnedWindow* window : using_) window->Recolour();
        break;
    }
    default: break;
    }
}

void TSkinManager::SystemColoursChanged() {
    for (TSkinSource* source : sources_) source->SystemColoursChanged();
    for (const auto& window : windows_)
        RedrawWindow(window->Window(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

void TSkinManager::RefreshAll() {
    for (const auto& window : windows_) window->DropCaptionButtons();
}

void TSkinManager::DetachAndFree(size_t index) {
    std::unique_ptr<TSkinnedWindow> window = std::move(windows_[index]);
    windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(index));
    const HWND hwnd = window->Window();
    window->Detach();
    window.reset();
    if (IsWindow(hwnd)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
    }
}

void TSkinManager::WindowDestroyed(TSkinnedWindow& window) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&window](const auto& w) { return w.get() == &window; });
    if (it == windows_.end()) return;
    std::unique_ptr<TSkinnedWindow> gone = std::move(*it);
    windows_.erase(it);
}

// ---- windows --------------------------------------------------------------------------

TSkinnedWindow* TSkinManager::FindSkinnedWindow(HWND window) const {
    for (const auto& w : windows_)
        if (w->Window() == window) return w.get();
    return nullptr;
}

TSkinSource* TSkinManager::FindDataForWindow(HWND window) const {
    std::vector<SkinSourceFacts> facts;
    for (TSkinSource* source : sources_) {
        SkinSourceFacts f;
        f.formType = static_cast<int>(source->SkinFormType);
        auto* owner = dynamic_cast<win::TCustomForm*>(source->Owner());
        f.ownerIsWindow = owner && owner->HandleAllocated() && owner->Handle() == window;
        facts.push_back(f);
    }
    const std::optional<size_t> index = ChooseSkinSourceIndex(facts, win::WindowClassName(window));
    return index ? sources_[*index] : nullptr;
}

bool TSkinManager::SkinWindow(HWND window) {
    if (!active_ || !IsWindow(window)) return false;
    SkinWindowFacts facts;
    facts.managerActive = active_;
    facts.listed = FindSkinnedWindow(window) != nullptr;
    if (facts.listed) return false;
    facts.answersSkinned = SendMessageW(window, kSkinnedQueryMessage, 0, 0) == 1;
    facts.activatingAll = activatingAll_;
    facts.childStyle = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (HWND parent = GetParent(window)) facts.parentClass = win::WindowClassName(parent);
    RECT r;
    GetWindowRect(window, &r);
    facts.zeroArea = r.right <= r.left || r.bottom <= r.top;
    win::TCustomForm* form = win::TCustomForm::FromWindow(window);
    if (form) facts.formTag = form->Tag();
    facts.className = win::WindowClassName(window);

    SkinWindowFilter filter;
    auto mainSource = std::find_if(sources_.begin(), sources_.end(),
                                   [](TSkinSource* s) { return s->SkinFormType == TSkinFormType::sfMainform; });
    if (mainSource != sources_.end()) {
        TSkinSource* source = *mainSource;
        filter.present = true;
        filter.fastReport = source->SkinControls.test(xcFastReport);
        if (source->OnFormSkin) {
            filter.onFormSkin = [source](const std::wstring& className) {
                bool doSkin = true;
                source->OnFormSkin(*source, className, doSkin);
                return doSkin;
            };
        }
    }
    if (DecideSkinWindow(facts, filter) != SkinWindowVerdict::Skin) return false;
    TSkinSource* source = FindDataForWindow(window);
    if (!source || source->SkinEmpty()) return false;
    windows_.push_back(std::make_unique<TSkinnedWindow>(window, *source, form));
    TSkinnedWindow* skinned = windows_.back().get();
    skinned->Attach();
    PostMessageW(window, kSkinAttachedMessage, 0, 1000);
    return true;
}

// ---- popup menus ----------------------------------------------------------------------

void TSkinManager::SkinPopupWindow(HWND window) {
    if (!active_) return;
    TSkinSource* source = FindDataForWindow(window);
    if (!source || source->SkinEmpty() || !source->SkinControls.test(xcMainMenu)) return;
    popups_.push_back(std::make_unique<TSkinnedPopupMenu>(window, *source, popupTracking_));
    // Freed after its window's last message, not at the hook's destroy notification.
    popups_.back()->OnDestroyed = [](HWND gone) {
        if (TSkinManager* manager = Instance()) manager->ReleasePopupWindow(gone);
    };
}

void TSkinManager::ReleasePopupWindow(HWND window) {
    auto it = std::find_if(popups_.begin(), popups_.end(), [window](const auto& p) { return p->Window() == window; });
    if (it == popups_.end()) return;
    std::unique_ptr<TSkinnedPopupMenu> gone = std::move(*it);
    popups_.erase(it);
    if (popups_.empty()) popupTracking_ = false;
}

// ---- the window-creation hook ---------------------------------------------------------

void TSkinManager::InstallHook() {
    if (!hook_) hook_ = SetWindowsHookExW(WH_CBT, &CbtProc, nullptr, GetCurrentThreadId());
    win::Application().OnFormShownInactive = [](HWND form) {
        if (TSkinManager* manager = Instance()) manager->SkinWindow(form);
    };
}

void TSkinManager::RemoveHook() {
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    win::Application().OnFormShownInactive = nullptr;
}

LRESULT CALLBACK TSkinManager::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    TSkinManager* manager = Instance();
    if (code < 0 || !manager) return CallNextHookEx(nullptr, code, wParam, lParam);
    bool refuse = false;
    win::HandleExceptions(nullptr, [&] {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND) {
            // The creation parameters may name the class by atom: ask the window.
            const std::wstring className = win::WindowClassName(window);
            const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if (EqualsNoCase(className, L"ScrollBar") && (create->style & SBS_SIZEGRIP) && create->hwndParent &&
                manager->FindSkinnedWindow(create->hwndParent)) {
                refuse = true;
            } else if (className == L"#32768") {
                manager->SkinPopupWindow(window);
            }
        } else if (code == HCBT_ACTIVATE) {
            if (manager->readiness_ == 0) manager->readiness_ = 1;
            manager->SkinWindow(window);
        }
    });
    if (refuse) return 10;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kelo::skin
