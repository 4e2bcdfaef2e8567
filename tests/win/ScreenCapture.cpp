#include "ScreenCapture.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "TestSupport.h"
#include "framework/Handle.h"

namespace kelo::test {

namespace {

uint32_t Crc(const std::string& data, size_t from) {
    static uint32_t table[256] = {};
    if (!table[1]) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = from; i < data.size(); ++i) c = table[(c ^ static_cast<uint8_t>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Be32(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png += type;
    png += data;
    Be32(png, Crc(png, start));
}

// RGB rows in stored (uncompressed) deflate blocks: no library needed.
std::string EncodePng(int width, int height, const std::vector<uint32_t>& bgra) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            const uint32_t p = bgra[static_cast<size_t>(y) * width + x];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
        }
    }
    std::string z("\x78\x01", 2);
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z += static_cast<char>(at + n == raw.size() ? 1 : 0);  // the last block
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);
    std::string header;
    Be32(header, static_cast<uint32_t>(width));
    Be32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

}  // namespace

std::string ScreenshotDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    for (int up = 0; up < 2; ++up) dir = dir.substr(0, dir.find_last_of(L"\\/"));
    dir += L"\\screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    return std::string(dir.begin(), dir.end()) + "\\";
}

RECT UnionOf(std::initializer_list<HWND> windows) {
    RECT all{};
    for (HWND w : windows) {
        if (!w) continue;
        RECT r;
        GetWindowRect(w, &r);
        UnionRect(&all, &all, &r);
    }
    return all;
}

HWND DroppedList(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

std::vector<uint32_t> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    win::Bitmap bitmap(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC dc = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(dc, bitmap.Get());
    BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> copy(pixels, pixels + static_cast<size_t>(width) * height);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return copy;
}

bool SaveScreenArea(const RECT& area, const std::string& path) {
    const std::vector<uint32_t> pixels = ScreenPixels(area);
    if (pixels.empty()) return false;
    std::ofstream(path, std::ios::binary) << EncodePng(area.right - area.left, area.bottom - area.top, pixels);
    return std::ifstream(path).good();
}

bool PaintedAsFresh(HWND window) {
    RECT area;
    GetWindowRect(window, &area);
    const std::vector<uint32_t> shown = ScreenPixels(area);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(500);
    return shown == ScreenPixels(area);
}

}  // namespace kelo::test
