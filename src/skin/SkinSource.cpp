#include "skin/SkinSource.h"

#include "core/Errors.h"
#include "framework/FormLoader.h"
#include "framework/WinText.h"
#include "skin/SkinManager.h"

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

TSkinSource::TSkinSource(win::TComponent* owner) : win::TComponent(owner) {
    ShowMessage = [](const std::wstring& text) {
        MessageBoxW(nullptr, text.c_str(), L"Kelo", MB_OK | MB_ICONINFORMATION);
    };
    menuGlyphs_.reset(ImageList_LoadImageW(GetModuleHandleW(nullptr), L"SKINMENUGLYPHS", 16, 0,
                                           RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

TSkinSource::~TSkinSource() {
    // Every window skinned with this source gets its own frame back first.
    if (TSkinManager* manager = TSkinManager::Instance()) manager->UnregisterData(*this);
}

void TSkinSource::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (Loading()) return;
    if (TSkinManager* manager = TSkinManager::Instance()) manager->ActiveChanged(*this, active);
}

void TSkinSource::Loaded() {
    win::TComponent::Loaded();
    TSkinManager::Create().SourceLoaded(*this);
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
    skinFileName_ = path;
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    TSkinManager* manager = TSkinManager::Instance();
    // Nothing may hold on to the old skin's pieces while it is replaced.
    if (manager) manager->SkinAboutToChange(*this);
    skinFile_ = bytes.str();
    const bool loaded = Load();
    if (manager) manager->SkinFileChanged(*this);
    if (loaded && OnSkinFileLoaded) OnSkinFileLoaded(*this);
}

bool TSkinSource::Load() {
    skin_.reset();
    ArchiveOpenResult result = ArchiveOpenResult::Ok;
    std::unique_ptr<SkinData> parsed = ParseSkinFile(skinFile_, &result);
    if (!parsed) {
        if (result == ArchiveOpenResult::WrongVersion && ShowMessage) ShowMessage(WidenAscii(kOlderSkinMessage));
        return false;
    }
    skin_ = std::move(parsed);
    MakeButtonFaceBrush();
    return true;
}

void TSkinSource::MakeButtonFaceBrush() {
    buttonFaceBrush_.Reset(CreateSolidBrush(win::ColorToRGB(skin_->colours.buttonFace)));
}

void TSkinSource::SystemColoursChanged() {
    if (skin_ && IsSystemColor(skin_->colours.buttonFace)) MakeButtonFaceBrush();
}

std::unique_ptr<TSkinSource> LoadSkinFromStream(std::string_view streamBytes) {
    auto source = std::make_unique<TSkinSource>();
    source->ReadSkinStream(streamBytes);
    return source;
}

namespace {

TSkinControlTypes ControlTypesFromSet(const FormValue& value) {
    static constexpr const char* kNames[] = {
        "xcMainMenu", "xcPopupMenu", "xcToolbar",  "xcControlbar", "xcCombo",       "xcCheckBox",
        "xcRadioButton", "xcProgress", "xcScrollbar", "xcEdit",    "xcButton",      "xcBitBtn",
        "xcSpeedButton", "xcPanel",  "xcGroupBox", "xcStatusBar",  "xcTab",         "xcSystemMenu",
        "xcFastReport"};
    if (value.kind != FormValue::Kind::Set) throw KeloError("form description: a set expected");
    TSkinControlTypes types;
    for (const std::string& item : value.items) {
        size_t i = 0;
        while (i < std::size(kNames) && item != kNames[i]) ++i;
        if (i == std::size(kNames)) throw KeloError("form description: unknown skin control " + item);
        types.set(i);
    }
    return types;
}

}  // namespace

bool TSkinSource::ReadProperty(const std::string& name, const FormValue& value) {
    if (name == "Active") active_ = win::ValueBool(value);
    else if (name == "DisableTag") DisableTag = win::ValueInt(value);
    else if (name == "SkinControls") SkinControls = ControlTypesFromSet(value);
    else if (name == "MenuUpdate") MenuUpdate = win::ValueBool(value);
    else if (name == "ClassSkinMap" || name == "ClassSkinMap.Strings") {
        ClassSkinMap.clear();
        for (const std::string& entry : value.items) ClassSkinMap.push_back(win::Widen(entry));
    } else if (name == "SkinFormType") {
        const std::string& type = win::ValueIdent(value);
        SkinFormType = type == "sfOnlyThisForm" ? TSkinFormType::sfOnlyThisForm
                       : type == "sfDialog"     ? TSkinFormType::sfDialog
                                                : TSkinFormType::sfMainform;
    } else if (name == "SkinStream") {
        if (value.kind != FormValue::Kind::Binary)
            throw KeloError("form description: SkinStream takes binary data");
        if (!value.text.empty()) ReadSkinStream(value.text);
    } else {
        return win::TComponent::ReadProperty(name, value);
    }
    return true;
}

void RegisterSkinClasses() { win::RegisterComponentClass<TSkinSource>(); }

}  // namespace kelo::skin
