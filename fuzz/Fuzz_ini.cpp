// libFuzzer entry of the settings file's target (see FuzzFileTargets.h).
#include "FuzzFileTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelo::fuzz::RunIni(data, size);
    return 0;
}
