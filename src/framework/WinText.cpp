#include "framework/WinText.h"

#include <windows.h>

namespace kelo::win {

namespace {
constexpr unsigned kGbk = 936;
}

std::wstring FromCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::string ToCodePage(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring Widen(std::string_view utf8) { return FromCodePage(CP_UTF8, utf8); }
std::string Narrow(std::wstring_view wide) { return ToCodePage(CP_UTF8, wide); }

std::string GbkCodec::ToUtf8(std::string_view fileBytes) const {
    return Narrow(FromCodePage(kGbk, fileBytes));
}

std::string GbkCodec::FromUtf8(std::string_view utf8) const {
    return ToCodePage(kGbk, Widen(utf8));
}

std::string SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : L"";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"Windows error " + std::to_wstring(code);
    return Narrow(text);
}

}  // namespace kelo::win
