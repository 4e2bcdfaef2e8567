#pragma once
#include <string>
#include <string_view>

#include "core/TextCodec.h"

namespace kelo::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Text in a given code page (the files use 936, GBK) to and from UTF-8.
std::wstring FromCodePage(unsigned codePage, std::string_view bytes);
std::string ToCodePage(unsigned codePage, std::wstring_view wide);

// The files' codec: GBK whatever the system's ANSI code page is.
class GbkCodec : public TextCodec {
public:
    std::string ToUtf8(std::string_view fileBytes) const override;
    std::string FromUtf8(std::string_view utf8) const override;
};

// The system's message text for an error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

}  // namespace kelo::win
