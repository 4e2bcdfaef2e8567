#include "core/Errors.h"

#include <mutex>
#include <set>

namespace kelo {

namespace {
std::string NotAnInteger(const std::string& text) {
    std::string message = "'";
    message.append(text).append("' is not a valid integer value");
    return message;
}
}  // namespace

ConvertError::ConvertError(const std::string& text) : KeloError(NotAnInteger(text)) {}

// The files are read at start on a thread of their own.
bool FirstFailureOf(const std::string& path) {
    static std::mutex guard;
    static std::set<std::string> told;
    const std::lock_guard<std::mutex> lock(guard);
    return told.insert(path).second;
}

}  // namespace kelo
