#include "menupainter/MenuPainterManager.h"

#include <algorithm>
#include <type_traits>

#include "framework/Application.h"
#include "framework/Form.h"
#include "menupainter/ControlSubClass.h"
#include "menupainter/MenuFrame.h"
#include "menupainter/MenuPainter.h"

namespace kelo::menupainter {

namespace {

TMenuPainterManager* instance = nullptr;

template <class T>
void Erase(std::vector<T*>& list, const std::type_identity_t<T>* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

template <class T>
bool Contains(const std::vector<T*>& list, const std::type_identity_t<T>* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool OwnsPainter(const win::TCustomForm& form) {
    return std::any_of(form.Components().begin(), form.Components().end(),
                       [](const win::TComponent* c) { return c->InheritsFrom(TMenuPainter::kClassName); });
}

}  // namespace

TMenuPainterManager* TMenuPainterManager::Instance() { return instance; }

TMenuPainterManager& TMenuPainterManager::Acquire() {
    if (!instance) instance = new TMenuPainterManager;
    ++instance->painterCount_;
    return *instance;
}

void TMenuPainterManager::Release() {
    if (instance && --instance->painterCount_ == 0) {
        delete instance;
        instance = nullptr;
    }
}

TMenuPainterManager::TMenuPainterManager() {
    // The hook looks the manager up at each message: the application may still run a
    // copy of its hook list while the last painter goes.
    hookId_ = win::Application().HookMainWindow([](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) {
        TMenuPainterManager* manager = Instance();
        return manager && manager->ApplicationHook(msg, wParam, lParam);
    });
}

TMenuPainterManager::~TMenuPainterManager() { win::Application().UnhookMainWindow(hookId_); }

win::TCustomForm* TMenuPainterManager::LiveForm(const win::TComponent* listed) {
    for (win::TCustomForm* form : win::TCustomForm::Forms())
        if (static_cast<win::TComponent*>(form) == listed) return form;
    return nullptr;
}

bool TMenuPainterManager::IsStyled(const win::TComponent* form) const { return Contains(styled_, form); }

void TMenuPainterManager::RegisterPainter(TMenuPainter& painter) {
    painters_.push_back(&painter);
    // A form with a painter of its own is never styled by the manager.
    if (painter.OwnerForm()) styled_.push_back(painter.OwnerForm());
    if (!current_ && painter.Active() && !painter.DisableSubclassing()) {
        current_ = &painter;
        CollectUnstyledForms();
    }
}

void TMenuPainterManager::CollectUnstyledForms() {
    for (win::TCustomForm* form : win::TCustomForm::Forms()) {
        if (IsStyled(form) || form->Tag() == 999) continue;
        if (!OwnsPainter(*form)) pending_.push_back(form);
    }
}

void TMenuPainterManager::FormNotification(win::TComponent* component, win::TOperation operation) {
    if (!current_) return;
    if (operation == win::TOperation::opInsert) {
        if (Contains(pending_, component)) return;
        // The list is served at the application window's next message: make sure there is one.
        if (pending_.empty()) PostMessageW(win::Application().Handle(), WM_NULL, 0, 0);
        pending_.push_back(component);
    } else {
        Erase(pending_, component);
        Erase(styled_, component);
    }
}

bool TMenuPainterManager::ApplicationHook(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOLORCHANGE || msg == WM_SETTINGCHANGE) SystemColoursChanged();
    if (current_) ServeMenuFrameRequest(*current_, msg, wParam, lParam);
    if (pending_.empty()) return false;
    const std::vector<win::TComponent*> pending = std::move(pending_);
    pending_.clear();
    try {
        for (win::TComponent* listed : pending) {
            if (!current_) break;
            win::TCustomForm* form = LiveForm(listed);
            if (!form || IsStyled(form)) continue;
            // A form still being built may yet load a painter of its own.
            if (form->Loading()) {
                pending_.push_back(form);
                continue;
            }
            if (OwnsPainter(*form)) continue;
            styled_.push_back(form);
            current_->HookComponents(*form, true, true);
        }
    } catch (...) {
        // Styling is a look: a form that cannot take it keeps the platform's.
    }
    return false;
}

void TMenuPainterManager::SystemColoursChanged() {
    for (TMenuPainter* painter : painters_) painter->SystemColoursChanged();
    for (const win::TComponent* listed : styled_) {
        win::TCustomForm* form = LiveForm(listed);
        if (form && form->HandleAllocated())
            RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
    }
}

void TMenuPainterManager::UnregisterPainter(TMenuPainter& painter) {
    if (current_ == &painter) {
        // The menus the painter took on the forms it styled go to the next painter, or
        // back to the platform, before the painter's handlers could outlive it.
        TMenuPainter* next = FindOtherPainter(&painter);
        for (const win::TComponent* listed : styled_) {
            win::TCustomForm* form = LiveForm(listed);
            if (!form || form == painter.OwnerForm() || OwnsPainter(*form)) continue;
            painter.HookMenus(*form, false);
            if (next) next->HookMenus(*form, true);
        }
        SwitchPainter(&painter);
        if (current_ == &painter) current_ = nullptr;
    }
    Erase(painters_, &painter);
}

TMenuPainter* TMenuPainterManager::FindOtherPainter(const TMenuPainter* painter) const {
    for (TMenuPainter* other : painters_)
        if (other != painter && other->Active() && !other->DisableSubclassing()) return other;
    return nullptr;
}

void TMenuPainterManager::SwitchPainter(TMenuPainter* leaving) {
    TMenuPainter* next = FindOtherPainter(leaving);
    if (next && !current_) {
        current_ = next;
        CollectUnstyledForms();
        return;
    }
    if (next) {
        // The controls outside the leaving painter's form stay flat under the next painter.
        if (leaving && current_ != next) next->AdoptRecords(current_->TakeRecords(leaving->OwnerForm(), false));
    } else {
        pending_.clear();
        if (!win::Application().MainForm()) return;
        for (const win::TComponent* listed : styled_) {
            win::TCustomForm* form = LiveForm(listed);
            if (form && (!leaving || form != leaving->OwnerForm())) RestoreFormControls(*form);
        }
        styled_.clear();
    }
    current_ = next;
}

void TMenuPainterManager::RestoreFormControls(win::TCustomForm& form) {
    if (!current_) return;
    // Freeing a record gives its control the window procedure and look it had.
    auto records = current_->TakeRecords(&form, true);
    while (!records.empty()) {
        try {
            records.pop_back();
        } catch (...) {
        }
    }
}

}  // namespace kelo::menupainter
