#include "skin/SkinControl.h"

namespace kelo::skin {

// The family of control skins is still to come: until then every control keeps its own
// look and the walkers only decide.
std::unique_ptr<TSkinControl> MakeControlSkin(SkinControlKind, win::TControl*, HWND, TSkinSource&) {
    return nullptr;
}

}  // namespace kelo::skin
