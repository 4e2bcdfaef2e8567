// libFuzzer entry of the skin's bmp target (see FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelo::skin::fuzz::RunBmp(data, size);
    return 0;
}
