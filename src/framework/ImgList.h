#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace kelo::win {

// A list of images of one size, drawn by the system's image list.
class TImageList : public TComponent {
    KELO_CLASS(TImageList, TComponent)
public:
    explicit TImageList(TComponent* owner);
    ~TImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    HIMAGELIST Handle();
    int Count();
    int AddIcon(HICON icon);
    // Adds an icon resource of the program, at the list's size.
    int AddIconResource(const wchar_t* name);
    void Clear();
    // A copy of image i as an icon, owned by the caller.
    UniqueIcon GetIcon(int index);

    // Change links: told after every change of the list.
    int AddChangeLink(std::function<void()> onChange);
    void RemoveChangeLink(int id);

    bool ReadProperty(const std::string& name, const FormValue& value) override;

private:
    void Changed();
    int width_ = 16, height_ = 16;
    HIMAGELIST handle_ = nullptr;
    std::vector<std::pair<int, std::function<void()>>> links_;
    int nextLink_ = 1;
};

}  // namespace kelo::win
