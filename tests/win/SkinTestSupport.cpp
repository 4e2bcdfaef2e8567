#include "SkinTestSupport.h"

#include <array>

#include "framework/Form.h"
#include "menupainter/MenuPainter.h"
#include "skin/SkinManager.h"
#include "skin/frame/SkinnedWindow.h"

namespace kelo::test {

DibCanvas::DibCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    void* bits = nullptr;
    bitmap_ = win::CreateTopDownDib(width, height, &bits);
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_.Get());
    const uint32_t pixel = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < width * height; ++i) bits_[i] = pixel;
}

DibCanvas::~DibCanvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
}

COLORREF DibCanvas::At(int x, int y) const {
    GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

skin::SkinImage DibCanvas::Snapshot() const {
    GdiFlush();
    skin::SkinImage image(width_, height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) image.Set(x, y, bits_[y * width_ + x] & 0xFFFFFF);
    }
    return image;
}

std::string EmbeddedSkinFile() {
    HRSRC found = FindResourceW(nullptr, L"KELOSKIN", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    return std::string(bytes, SizeofResource(nullptr, found));
}

namespace {

uint32_t Crc32(const std::string& bytes, size_t from) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) crc = table[(crc ^ static_cast<uint8_t>(bytes[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void AppendBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void AppendChunk(std::string& png, const char* type, const std::string& data) {
    AppendBe32(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png += type;
    png += data;
    AppendBe32(png, Crc32(png, start));
}

}  // namespace

std::string EncodePng(const skin::SkinImage& image) {
    std::string raw;
    for (int y = 0; y < image.Height(); ++y) {
        raw.push_back('\0');  // no filter
        for (int x = 0; x < image.Width(); ++x) {
            const skin::Pixel p = image.At(x, y);
            raw.push_back(static_cast<char>(p >> 16));
            raw.push_back(static_cast<char>(p >> 8));
            raw.push_back(static_cast<char>(p));
        }
    }
    std::string zlib = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        zlib.push_back(pos + n >= raw.size() ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(n & 0xFF));
        zlib.push_back(static_cast<char>(n >> 8));
        zlib.push_back(static_cast<char>(~n & 0xFF));
        zlib.push_back(static_cast<char>((~n >> 8) & 0xFF));
        zlib += raw.substr(pos, n);
        if (raw.empty()) break;
    }
    AppendBe32(zlib, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    AppendBe32(header, static_cast<uint32_t>(image.Width()));
    AppendBe32(header, static_cast<uint32_t>(image.Height()));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", zlib);
    AppendChunk(png, "IEND", "");
    return png;
}

std::string BuildDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    for (int up = 0; up < 2; ++up) dir = dir.substr(0, dir.find_last_of(L"\\/"));
    return std::string(dir.begin(), dir.end()) + "\\";
}

void LoadWithFlatPainter(win::TForm& form, const std::string& description) {
    menupainter::RegisterMenuPainterClasses();
    const std::string controls = description.substr(0, description.rfind("end"));  // without the closing "end"
    form.LoadFromDescription(controls + "  object MenuPainter1: TMenuPainter\n    Active = True\n  end\nend\n");
}

bool FullySkinned(HWND hwnd) {
    const skin::TSkinManager* manager = skin::TSkinManager::Instance();
    const skin::TSkinnedWindow* window = manager ? manager->FindSkinnedWindow(hwnd) : nullptr;
    return window && window->State() == skin::TSkinnedWindow::kSkinned;
}

namespace {

// A thread timer has no context of its own: the box it looks for, and what it saw.
const wchar_t* watchedBoxCaption = nullptr;
bool watchedBoxSkinned = false;

void CALLBACK PressOkOfWatchedBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowW(L"#32770", watchedBoxCaption);
    if (!box || !IsWindowVisible(box)) return;
    if (FullySkinned(box)) watchedBoxSkinned = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

bool MessageBoxClosedByTimer(HWND owner, const wchar_t* caption, const wchar_t* text) {
    watchedBoxCaption = caption;
    watchedBoxSkinned = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &PressOkOfWatchedBox);
    MessageBoxW(owner, text, caption, MB_OK);
    KillTimer(nullptr, timer);
    return watchedBoxSkinned;
}

}  // namespace kelo::test
