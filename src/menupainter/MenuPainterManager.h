#pragma once
// TMenuPainterManager: the one object per process that knows every menu painter, elects
// the current one and lets it style the forms that have no painter of their own (the
// dialogs). It lives from the first painter's creation to the last painter's destruction.
#include <windows.h>

#include <vector>

namespace kelo::win {
class TComponent;
class TCustomForm;
enum class TOperation;
}  // namespace kelo::win

namespace kelo::menupainter {

class TMenuPainter;

class TMenuPainterManager {
public:
    // The manager while at least one painter exists, else none.
    static TMenuPainterManager* Instance();
    // Every painter acquires the manager when created and releases it when destroyed;
    // the first creates it, the last frees it.
    static TMenuPainterManager& Acquire();
    static void Release();

    TMenuPainterManager(const TMenuPainterManager&) = delete;
    TMenuPainterManager& operator=(const TMenuPainterManager&) = delete;

    TMenuPainter* CurrentPainter() const { return current_; }

    void RegisterPainter(TMenuPainter& painter);
    // Leaves no pointer to the painter behind: neither as current painter nor in the
    // handlers of the menus it took on other forms.
    void UnregisterPainter(TMenuPainter& painter);
    void CollectUnstyledForms();
    void FormNotification(win::TComponent* component, win::TOperation operation);
    // The current painter's controls on the form get their own look back.
    void RestoreFormControls(win::TCustomForm& form);

private:
    TMenuPainterManager();
    ~TMenuPainterManager();

    bool ApplicationHook(UINT msg, WPARAM wParam, LPARAM lParam);
    // Colours or settings of the system changed: every painter works its colours out
    // again and every form the painters look after repaints, frame and controls too.
    void SystemColoursChanged();
    TMenuPainter* FindOtherPainter(const TMenuPainter* painter) const;
    void SwitchPainter(TMenuPainter* leaving);
    // The listed form if it still exists: forms nobody owns leave without a notification.
    static win::TCustomForm* LiveForm(const win::TComponent* listed);
    bool IsStyled(const win::TComponent* form) const;

    std::vector<TMenuPainter*> painters_;
    // Candidates inserted into a painter's ownership tree: the insertion is told while the
    // component is still being constructed, so whether it is a form is decided when the
    // list is served.
    std::vector<win::TComponent*> pending_;
    std::vector<win::TComponent*> styled_;
    TMenuPainter* current_ = nullptr;
    int hookId_ = 0;
    int painterCount_ = 0;
};

}  // namespace kelo::menupainter
