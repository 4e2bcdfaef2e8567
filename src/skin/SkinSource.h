#pragma once
// TSkinSource: the skin the program carries inside its main window's form description
// (the SkinStream property), parsed into a SkinData, with the button-face brush and the
// glyphs of the skinned system menu. The skin manager acts on its switches.
#include <windows.h>
#include <commctrl.h>

#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "framework/Component.h"
#include "framework/Handle.h"
#include "skin/controls/SkinControlChoice.h"
#include "skin/data/SkinData.h"

namespace kelo::skin {

enum class TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog };

class TSkinSource : public win::TComponent {
    KELO_CLASS(TSkinSource, win::TComponent)
public:
    explicit TSkinSource(win::TComponent* owner = nullptr);
    ~TSkinSource() override;
    TSkinSource(const TSkinSource&) = delete;
    TSkinSource& operator=(const TSkinSource&) = delete;

    // Skinning wanted. Changing it at run time skins or unskins the windows 250 ms later;
    // turning it on with an empty skin does nothing.
    bool Active() const { return active_; }
    void SetActive(bool active);

    // The switches of the skin manager, with their defaults.
    int32_t DisableTag = 99;
    TSkinControlTypes SkinControls = DefaultSkinControls();
    std::vector<std::wstring> ClassSkinMap = DefaultClassSkinMap();
    TSkinFormType SkinFormType = TSkinFormType::sfMainform;
    bool MenuUpdate = true;
    std::function<void(TSkinSource&)> OnSkinChanged;
    // Asked for every window before it is skinned, with its class name.
    std::function<void(TSkinSource&, const std::wstring& className, bool& doSkin)> OnFormSkin;

    static TSkinControlTypes DefaultSkinControls();

    // The SkinStream property: a 32-bit length N, then N bytes of skin file. Reading it
    // keeps the bytes and, when N > 0, parses them; it returns the bytes it took.
    size_t ReadSkinStream(std::string_view property);
    std::string WriteSkinStream() const;

    // Loads a skin file from disk; a file that does not exist changes nothing. When it
    // loads, OnSkinFileLoaded lets the skin manager apply it.
    void SetSkinFile(const std::wstring& path);
    const std::wstring& SkinFile() const { return skinFileName_; }
    std::wstring SkinStore() const { return L"(none)"; }
    std::function<void(TSkinSource&)> OnSkinFileLoaded;

    // Shows "This is Older Skin File..." when an archive has the wrong version; a modal
    // information box unless replaced.
    std::function<void(const std::wstring&)> ShowMessage;

    bool SkinEmpty() const { return skin_ == nullptr; }
    const SkinData* Skin() const { return skin_.get(); }
    HBRUSH ButtonFaceBrush() const { return buttonFaceBrush_.Get(); }
    // The system scheme changed: a button face the skin leaves to the system gets a
    // brush of the new colour.
    void SystemColoursChanged();
    // The 16 x 16 glyphs restore, maximise, minimise and close of the skinned system menu.
    HIMAGELIST MenuGlyphs() const { return menuGlyphs_.get(); }

    // The form description's properties: Active, DisableTag, SkinControls (a set of
    // xc names), ClassSkinMap (texts), SkinFormType, MenuUpdate, SkinStream (binary).
    bool ReadProperty(const std::string& name, const FormValue& value) override;
    // Once the form is built, the skin manager puts the source to work.
    void Loaded() override;

private:
    bool Load();
    void MakeButtonFaceBrush();

    bool active_ = false;

    struct ImageListDeleter {
        void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
    };
    // Freed in reverse order: the glyphs, the skin file, the elements, last the brush.
    win::Brush buttonFaceBrush_;
    std::unique_ptr<SkinData> skin_;
    std::string skinFile_;
    std::wstring skinFileName_;
    std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> menuGlyphs_;
};

// The skin of a SkinStream property, as the main window's form description carries it.
std::unique_ptr<TSkinSource> LoadSkinFromStream(std::string_view streamBytes);

// Lets form descriptions name TSkinSource.
void RegisterSkinClasses();

}  // namespace kelo::skin
