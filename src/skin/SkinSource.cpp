#include "skin/SkinSource.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/Graphics.h"

namespace kelo::skin {

namespace {

std::wstring WidenAscii(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TSkinControlTypes TSkinSource::DefaultSkinControls() {
    TSkinControlTypes all;
    all.set();
    all.reset(xcFastReport);
    return all;
}

TSkinSource::TSkinSource() {
    ShowMessage = [](const std::wstring& text) {
        MessageBoxW(nullptr, text.c_str(), L"Kelo", MB_OK | MB_ICONINFORMATION);
    };
    menuGlyphs_.reset(ImageList_LoadImageW(GetModuleHandleW(nullptr), L"SKINMENUGLYPHS", 16, 0,
                                           RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

TSkinSource::~TSkinSource() {
    if (OnDestroy) OnDestroy(*this);
}

size_t TSkinSource::ReadSkinStream(std::string_view property) {
    size_t consumed = 0;
    skinFile_ = std::string(kelo::skin::ReadSkinStream(property, &consumed));
    if (!skinFile_.empty()) Load();
    return consumed;
}

std::string TSkinSource::WriteSkinStream() const {
    return kelo::skin::WriteSkinStream(skinFile_);
}

void TSkinSource::SetSkinFile(const std::wstring& path) {
    skin_.reset();
    skinFileName_ = path;
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    skinFile_ = bytes.str();
    if (Load() && OnSkinFileLoaded) OnSkinFileLoaded(*this);
}

bool TSkinSource::Load() {
    skin_.reset();
    ArchiveOpenResult result = ArchiveOpenResult::Ok;
    std::unique_ptr<SkinData> parsed = ParseSkinFile(skinFile_, &result);
    if (!parsed) {
        if (result == ArchiveOpenResult::WrongVersion && ShowMessage) ShowMessage(WidenAscii(kOlderSkinMessage));
        return false;
    }
    buttonFaceBrush_.Reset(CreateSolidBrush(win::ColorToRGB(parsed->colours.buttonFace)));
    skin_ = std::move(parsed);
    return true;
}

std::unique_ptr<TSkinSource> LoadSkinFromStream(std::string_view streamBytes) {
    auto source = std::make_unique<TSkinSource>();
    source->ReadSkinStream(streamBytes);
    return source;
}

}  // namespace kelo::skin
