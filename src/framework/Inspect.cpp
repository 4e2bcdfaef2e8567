#include "framework/Inspect.h"

#include "framework/ComCtrls.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/WinText.h"

namespace kelo::win {

std::wstring InspectText(TComponent* component) {
    if (auto* item = dynamic_cast<TMenuItem*>(component))
        return item->Caption() + L"\t" + (item->Checked() ? L"1" : L"0") + L"\t" +
               (item->Enabled() ? L"1" : L"0") + L"\t" + std::to_wstring(item->Command());
    if (auto* bar = dynamic_cast<TStatusBar*>(component)) {
        std::wstring texts;
        for (size_t i = 0; i < bar->Panels().size(); ++i)
            texts += (i ? L"\t" : L"") + bar->Panels()[i].text;
        return texts;
    }
    if (auto* control = dynamic_cast<TControl*>(component)) return control->Caption();
    return L"";
}

bool AnswerInspect(TComponent& form, WPARAM wParam, LPARAM lParam) {
    const auto* request = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!request || request->dwData != kInspectTag) return false;
    std::wstring name(static_cast<const wchar_t*>(request->lpData),
                      request->cbData / sizeof(wchar_t));
    // "Name!font" asks for a control's font instead: face, height and character set.
    const size_t bang = name.find(L'!');
    const std::wstring aspect = bang == std::wstring::npos ? L"" : name.substr(bang + 1);
    if (bang != std::wstring::npos) name.resize(bang);
    TComponent* component = name.empty() ? &form : form.FindComponent(Narrow(name));
    std::wstring answer = L"\x1b";
    if (component && aspect.empty()) {
        answer = InspectText(component);
    } else if (auto* drawing = dynamic_cast<TCustomForm*>(component); drawing && aspect == L"text") {
        answer = drawing->DrawnText();
    } else if (auto* control = dynamic_cast<TControl*>(component); control && aspect == L"font") {
        const TFont& font = control->Font();
        answer = font.Name() + L"\t" + std::to_wstring(font.Height()) + L"\t" +
                 std::to_wstring(font.Charset());
    }
    COPYDATASTRUCT reply{kInspectTag, static_cast<DWORD>(answer.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(answer.data())};
    SendMessageW(reinterpret_cast<HWND>(wParam), WM_COPYDATA, 0,
                 reinterpret_cast<LPARAM>(&reply));
    return true;
}

}  // namespace kelo::win
