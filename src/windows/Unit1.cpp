#include "windows/Unit1.h"

namespace kelo::app {

TForm1::TForm1(win::TComponent* owner) : win::TForm(owner) { LoadFromResource(L"UNIT1"); }

void TForm1::PlaceNearCorner() {
    HandleNeeded();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetBounds(screenWidth - Width() - 15, screenHeight - Height() - 35, Width(), Height());
}

}  // namespace kelo::app
