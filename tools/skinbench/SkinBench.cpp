// Prints the skin's figures:  kelo_skin_bench [SKIN_FILE]
//   - LZHUF decoding throughput on the packed skin and on 1 MB each of text-like and
//     random data (MB/s of output);
//   - the time from the SkinStream property to a parsed skin, as at start-up.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "skin/data/Lzh.h"
#include "skin/data/SkinArchive.h"
#include "skin/data/SkinData.h"

using namespace kelo::skin;
using Clock = std::chrono::steady_clock;

namespace {

template <class F>
double BestSeconds(int runs, F&& f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void DecodeFigure(const char* what, const std::string& plain) {
    const std::string packed = TLZH().Encode(plain);
    const double seconds = BestSeconds(5, [&] {
        if (TLZH().Decode(packed, static_cast<uint32_t>(plain.size())) != plain) std::printf("MISMATCH\n");
    });
    std::printf("decode %-22s %8zu -> %8zu bytes  %7.1f MB/s\n", what, packed.size(), plain.size(),
                plain.size() / seconds / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : KELO_SKIN_FILE;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string skinFile = all.str();
    if (skinFile.size() < 4) {
        std::fprintf(stderr, "kelo_skin_bench: cannot read %s\n", path);
        return 1;
    }

    TSkinArchiveReader reader;
    reader.Open(skinFile);
    std::string archive = TLZH().Decode(std::string_view(skinFile).substr(4), ReadLe32(skinFile, 0));
    DecodeFigure("Kelo's skin archive", archive);

    std::mt19937 random(7);
    std::string text;
    const char* words[] = {"skin ", "window ", "frame ", "caption ", "button ", "menu\r\n", "=", "255 "};
    while (text.size() < (1 << 20)) text += words[random() % 8];
    text.resize(1 << 20);
    DecodeFigure("1 MB text-like", text);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    DecodeFigure("1 MB random", noise);

    const std::string property = WriteSkinStream(skinFile);
    size_t elements = 0;
    const double parse = BestSeconds(20, [&] {
        const auto skin = ParseSkinFile(ReadSkinStream(property));
        elements = skin ? skin->captionButtons.size() : 0;
    });
    std::printf("SkinStream (%zu bytes) to parsed skin: %.2f ms (%zu caption buttons)\n", property.size(),
                parse * 1e3, elements);
    return 0;
}
