#include "framework/FormLoader.h"

#include <windows.h>

#include <map>

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "framework/ComCtrls.h"
#include "framework/Timer.h"
#include "framework/WebBrowser.h"
#include "framework/WinText.h"

namespace kelo::win {

namespace {

std::map<std::string, ComponentFactory>& Registry() {
    static std::map<std::string, ComponentFactory> registry = [] {
        std::map<std::string, ComponentFactory> r;
        auto add = [&r]<class T>() { r[T::kClassName] = [](TComponent* o) { return new T(o); }; };
        add.template operator()<TLabel>();
        add.template operator()<TPanel>();
        add.template operator()<TSplitter>();
        add.template operator()<TTimer>();
        add.template operator()<TMainMenu>();
        add.template operator()<TPopupMenu>();
        add.template operator()<TMenuItem>();
        add.template operator()<TImageList>();
        add.template operator()<TEdit>();
        add.template operator()<TMemo>();
        add.template operator()<TButton>();
        add.template operator()<TCheckBox>();
        add.template operator()<TRadioButton>();
        add.template operator()<TGroupBox>();
        add.template operator()<TComboBox>();
        add.template operator()<TTreeView>();
        add.template operator()<TListView>();
        add.template operator()<TStatusBar>();
        add.template operator()<TDateTimePicker>();
        add.template operator()<TUpDown>();
        add.template operator()<TWebBrowser>();
        return r;
    }();
    return registry;
}

struct Pending {
    TComponent* component;
    const FormObject* description;
};

// Creates the object and everything inside it; properties come later, once every
// component exists, so that references between them resolve.
void Create(TCustomForm& form, TComponent* container, const FormObject& object,
            std::vector<Pending>& created) {
    auto it = Registry().find(object.className);
    if (it == Registry().end())
        throw KeloError("form description: unknown class " + object.className);
    TComponent* component = it->second(&form);
    component->BeginLoading();
    component->SetName(object.name);
    if (auto* item = dynamic_cast<TMenuItem*>(component)) {
        if (auto* menu = dynamic_cast<TMenu*>(container)) menu->Items()->Add(item);
        else if (auto* parentItem = dynamic_cast<TMenuItem*>(container)) parentItem->Add(item);
    } else if (auto* control = dynamic_cast<TControl*>(component)) {
        if (auto* parent = dynamic_cast<TWinControl*>(container)) control->SetParent(parent);
    }
    created.push_back({component, &object});
    for (const FormObject& child : object.children) Create(form, component, child, created);
}

void ReadProperties(TCustomForm& form, TComponent& component, const FormObject& object) {
    for (const FormProperty& p : object.properties) {
        if (p.name.size() > 2 && p.name.rfind("On", 0) == 0 &&
            p.value.kind == FormValue::Kind::Ident) {
            if (!component.AssignEvent(p.name, form.FindHandler(p.value.text)))
                throw KeloError("form description: " + object.name + " has no event " + p.name);
            continue;
        }
        if (!component.ReadProperty(p.name, p.value))
            throw KeloError("form description: " + object.name + " has no property " + p.name);
    }
}

}  // namespace

void RegisterComponentClass(const std::string& className, ComponentFactory factory) {
    Registry()[className] = std::move(factory);
}

void BuildForm(TCustomForm& form, const FormObject& description) {
    form.BeginLoading();
    form.SetName(description.name);
    std::vector<Pending> created;
    for (const FormObject& child : description.children) Create(form, &form, child, created);
    ReadProperties(form, form, description);
    for (const Pending& p : created) ReadProperties(form, *p.component, *p.description);
    for (const Pending& p : created) p.component->Loaded();
    form.Loaded();
}

std::string LoadFormResource(const wchar_t* name) {
    HINSTANCE instance = Application().InstanceHandle();
    HRSRC info = FindResourceW(instance, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!info) throw KeloError("form description " + Narrow(name) + " is missing");
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) throw KeloError("form description " + Narrow(name) + " cannot be read");
    return std::string(static_cast<const char*>(bytes), SizeofResource(instance, info));
}

}  // namespace kelo::win
