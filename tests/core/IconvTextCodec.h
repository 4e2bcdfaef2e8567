#pragma once
// GBK <-> UTF-8 through glibc's iconv, for the unit tests and the fuzz targets, with both
// conversions opened once: the settings document converts every line it looks at, and
// opening a converter per line would cost more than the document itself.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/TextCodec.h"

namespace kelo::test {

// A byte that does not convert becomes "?", so a damaged file still loads. Not for use
// from more than one thread.
class IconvTextCodec : public TextCodec {
public:
    IconvTextCodec() : toUtf8_(Open("UTF-8", "GBK")), fromUtf8_(Open("GBK", "UTF-8")) {}
    ~IconvTextCodec() override {
        iconv_close(toUtf8_);
        iconv_close(fromUtf8_);
    }
    IconvTextCodec(const IconvTextCodec&) = delete;
    IconvTextCodec& operator=(const IconvTextCodec&) = delete;

    std::string ToUtf8(std::string_view fileBytes) const override { return Convert(toUtf8_, fileBytes); }
    std::string FromUtf8(std::string_view utf8) const override { return Convert(fromUtf8_, utf8); }

private:
    static iconv_t Open(const char* to, const char* from) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
        return cd;
    }

    static std::string Convert(iconv_t cd, std::string_view in) {
        // Most lines are ASCII, which reads the same in GBK and UTF-8.
        bool ascii = true;
        for (const char c : in) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) return std::string(in);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every text
        std::string out;
        std::string input(in);
        char* src = input.data();
        size_t srcLeft = input.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
                out.push_back('?');
                ++src;
                --srcLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

    iconv_t toUtf8_;
    iconv_t fromUtf8_;
};

}  // namespace kelo::test
