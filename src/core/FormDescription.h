#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelo {

struct FormProperty;

// A value of a form description: 12, 'text', alTop, [fsBold, fsItalic], {0A0B..},
// ('a' 'b'), or a collection < item ... end item ... end >.
struct FormValue {
    enum class Kind { Integer, String, Ident, Set, Binary, List, Collection };
    Kind kind = Kind::Integer;
    int64_t integer = 0;
    std::string text;                 // String and Ident; Binary holds raw bytes
    std::vector<std::string> items;   // Set (identifiers) and List (strings)
    std::vector<std::vector<FormProperty>> collection;
};

struct FormProperty {
    std::string name;  // may be dotted: Font.Name
    FormValue value;
};

// One object of a form description and the objects inside it, in description order.
struct FormObject {
    std::string name;
    std::string className;
    std::vector<FormProperty> properties;
    std::vector<FormObject> children;
};

// Parses a form description (UTF-8 text):
//   object Name: TClass
//     Prop = value
//     object Child: TClass ... end
//   end
// Throws KeloError naming the line of the first error.
FormObject ParseFormDescription(std::string_view text);

}  // namespace kelo
