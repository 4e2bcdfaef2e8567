#pragma once
#include <string>
#include <string_view>

namespace kelo {

// UTF-16 little-endian bytes to UTF-8. Unpaired surrogates are kept as the three-byte
// forms of their code units, so every text converts back to the very same bytes.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 to UTF-16 little-endian bytes; the inverse of Utf16LeToUtf8. A byte that does
// not start a valid sequence becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// The letter after the first single "&" of a menu caption, upper-cased (ASCII and the
// Latin letters only), or 0.
wchar_t MenuAccelerator(const std::wstring& caption);

}  // namespace kelo
