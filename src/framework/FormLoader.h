#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "core/FormDescription.h"

namespace kelo::win {

class TComponent;
class TCustomForm;

using ComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Classes that form descriptions may name. The framework's own are known from the
// start; a feature registers its classes before the first form that uses them loads.
void RegisterComponentClass(const std::string& className, ComponentFactory factory);
template <class T>
void RegisterComponentClass() {
    RegisterComponentClass(T::kClassName, [](TComponent* owner) { return new T(owner); });
}

// Builds the components of a description into the form, in description order: each
// object is created with the form as owner and placed into the object around it (a
// control into its windowed parent, a menu item into its menu), then its properties
// are read. Loaded runs on every component once all are built.
void BuildForm(TCustomForm& form, const FormObject& description);

// The text of a form description stored as an RCDATA resource of the program.
std::string LoadFormResource(const wchar_t* name);

}  // namespace kelo::win
