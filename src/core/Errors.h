#pragma once
#include <stdexcept>
#include <string>

namespace kelo {

// An error meant for the user: its text is shown as it stands in the standard error box.
class KeloError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The conversion error of a strict integer ("'abc' is not a valid integer value").
class ConvertError : public KeloError {
public:
    explicit ConvertError(const std::string& text);
};

// Each file's failure is told once a run, whoever meets it: true the first time it is
// asked for `path`, false from then on.
bool FirstFailureOf(const std::string& path);

}  // namespace kelo
