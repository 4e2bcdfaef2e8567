#pragma once
#include <string>
#include <string_view>

namespace kelo {

// Converts between the program's UTF-8 text and the byte encoding of its files
// (GBK, code page 936, whatever the system's own code page is).
class TextCodec {
public:
    virtual ~TextCodec() = default;
    virtual std::string ToUtf8(std::string_view fileBytes) const = 0;
    virtual std::string FromUtf8(std::string_view utf8) const = 0;
};

}  // namespace kelo
