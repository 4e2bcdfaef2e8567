#include "framework/ImgList.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/WinText.h"

namespace kelo::win {

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::~TImageList() {
    if (handle_) ImageList_Destroy(handle_);
}

HIMAGELIST TImageList::Handle() {
    if (!handle_) handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 1, 1);
    return handle_;
}

int TImageList::Count() { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

int TImageList::AddIcon(HICON icon) {
    const int index = ImageList_AddIcon(Handle(), icon);
    Changed();
    return index;
}

int TImageList::AddIconResource(const wchar_t* name) {
    UniqueIcon icon(static_cast<HICON>(LoadImageW(Application().InstanceHandle(), name,
                                                  IMAGE_ICON, width_, height_, 0)));
    return icon.Get() ? AddIcon(icon.Get()) : -1;
}

void TImageList::Clear() {
    if (handle_) ImageList_RemoveAll(handle_);
    Changed();
}

UniqueIcon TImageList::GetIcon(int index) {
    if (!handle_ || index < 0 || index >= Count()) return UniqueIcon();
    return UniqueIcon(ImageList_GetIcon(handle_, index, ILD_NORMAL));
}

int TImageList::AddChangeLink(std::function<void()> onChange) {
    links_.emplace_back(nextLink_, std::move(onChange));
    return nextLink_++;
}

void TImageList::RemoveChangeLink(int id) {
    links_.erase(std::remove_if(links_.begin(), links_.end(),
                                [id](const auto& l) { return l.first == id; }),
                 links_.end());
}

void TImageList::Changed() {
    for (auto& [id, link] : std::vector(links_)) link();
}

bool TImageList::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Width") width_ = ValueInt(value);
    else if (name == "Height") height_ = ValueInt(value);
    else if (name == "Icons") {
        // The program's icon resources, by name, in order.
        for (const std::string& icon : value.items) AddIconResource(Widen(icon).c_str());
    } else return TComponent::ReadProperty(name, value);
    return true;
}

}  // namespace kelo::win
