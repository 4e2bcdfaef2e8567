#pragma once
#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace kelo::win {

// Move-only owner of a kernel handle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Owner of a library loaded at run time.
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

// Live GDI objects held by the program's wrappers (the system's own count is not
// available everywhere the program runs).
inline long& LiveGdiObjects() {
    static long count = 0;
    return count;
}

// Move-only owner of a GDI object (font, brush, pen, bitmap, region).
template <class T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T h) : h_(h) {
        if (h_) ++LiveGdiObjects();
    }
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, nullptr);  // already counted
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    T Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Gives the object to the system (a window region): no longer counted or deleted here.
    T Release() {
        if (h_) --LiveGdiObjects();
        return std::exchange(h_, nullptr);
    }
    void Reset(T h = nullptr) {
        if (h_) {
            DeleteObject(h_);
            --LiveGdiObjects();
        }
        h_ = h;
        if (h_) ++LiveGdiObjects();
    }

private:
    T h_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

}  // namespace kelo::win
