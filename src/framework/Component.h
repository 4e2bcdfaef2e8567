#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FormDescription.h"

namespace kelo::win {

class TComponent;
using TNotifyEvent = std::function<void(TComponent* sender)>;

enum class TOperation { opInsert, opRemove };

// Declares a component class's name and ancestry: ClassName() answers the name and
// InheritsFrom() is true for it and every ancestor's name.
#define KELO_CLASS(Name, Base)                                                        \
public:                                                                               \
    static constexpr const char* kClassName = #Name;                                 \
    const char* ClassName() const override { return kClassName; }                    \
    bool InheritsFrom(std::string_view name) const override {                        \
        return name == kClassName || Base::InheritsFrom(name);                       \
    }                                                                                 \
                                                                                      \
private:

// The base of every component: an owner that frees it, a name, a tag, and
// notifications of components inserted into or removed from the ownership tree.
class TComponent {
public:
    explicit TComponent(TComponent* owner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    // Frees the owned components, last created first.
    virtual ~TComponent();
    // Frees the owned components now (a form does this while it is still whole).
    void DestroyComponents();

    virtual const char* ClassName() const { return "TComponent"; }
    virtual bool InheritsFrom(std::string_view name) const { return name == "TComponent"; }

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(std::string_view name) const;
    template <class T>
    T* Find(std::string_view name) const {
        return dynamic_cast<T*>(FindComponent(name));
    }

    // True while the component is being built from a form description.
    bool Loading() const { return loading_; }
    void BeginLoading() { loading_ = true; }
    // Called once the whole form has been built; the base ends the loading state.
    virtual void Loaded() { loading_ = false; }

    // Told when a component enters or leaves this component's ownership tree; the base
    // passes it on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);

    // Reads one property of a form description. The base knows Name and Tag; a class
    // returns false for a name it does not know.
    virtual bool ReadProperty(const std::string& name, const FormValue& value);
    // Assigns a handler named in a form description to an event (OnClick, OnTimer, ...).
    virtual bool AssignEvent(const std::string& event, TNotifyEvent handler);

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::string name_;
    int tag_ = 0;
    bool loading_ = false;
    bool destroying_ = false;
};

// Values of form descriptions, converted with a clear error for a wrong kind.
int ValueInt(const FormValue& v);
bool ValueBool(const FormValue& v);
const std::string& ValueText(const FormValue& v);
const std::string& ValueIdent(const FormValue& v);
// Colour names (clBtnFace, clBlack, $00FF00 written as a number, ...) to colour codes.
int ValueColor(const FormValue& v);

}  // namespace kelo::win
