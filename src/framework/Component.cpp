#include "framework/Component.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/Colors.h"

namespace kelo::win {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    while (!components_.empty()) delete components_.back();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    for (TComponent* c : components_)
        if (c->name_ == name) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    components_.push_back(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    components_.erase(std::remove(components_.begin(), components_.end(), component),
                      components_.end());
    if (!destroying_) Notification(component, TOperation::opRemove);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    for (TComponent* c : components_)
        if (c != component) c->Notification(component, operation);
}

bool TComponent::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Tag") {
        tag_ = ValueInt(value);
        return true;
    }
    return false;
}

bool TComponent::AssignEvent(const std::string&, TNotifyEvent) { return false; }

namespace {
[[noreturn]] void WrongKind(const char* expected) {
    throw KeloError(std::string("form description: ") + expected + " expected");
}
}  // namespace

int ValueInt(const FormValue& v) {
    if (v.kind != FormValue::Kind::Integer) WrongKind("a number");
    return static_cast<int>(v.integer);
}

bool ValueBool(const FormValue& v) {
    if (v.kind == FormValue::Kind::Ident) {
        if (v.text == "True") return true;
        if (v.text == "False") return false;
    }
    WrongKind("True or False");
}

const std::string& ValueText(const FormValue& v) {
    if (v.kind != FormValue::Kind::String) WrongKind("a text");
    return v.text;
}

const std::string& ValueIdent(const FormValue& v) {
    if (v.kind != FormValue::Kind::Ident) WrongKind("a name");
    return v.text;
}

int ValueColor(const FormValue& v) {
    if (v.kind == FormValue::Kind::Integer) return static_cast<int>(v.integer);
    const auto color = kelo::ColorFromName(ValueIdent(v));
    if (!color) throw KeloError("form description: unknown colour " + v.text);
    return *color;
}

}  // namespace kelo::win
