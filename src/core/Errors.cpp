#include "core/Errors.h"

namespace kelo {

namespace {
std::string NotAnInteger(const std::string& text) {
    std::string message = "'";
    message.append(text).append("' is not a valid integer value");
    return message;
}
}  // namespace

ConvertError::ConvertError(const std::string& text) : KeloError(NotAnInteger(text)) {}

}  // namespace kelo
