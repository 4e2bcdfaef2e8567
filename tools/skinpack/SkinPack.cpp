// Packs a skin:  kelo_skinpack SKIN_INI IMAGE_DIR OUTPUT
//
// The archive holds the INI (as "keloskin.ini") and every ".bmp" file it names, in the
// order they are first named, read from IMAGE_DIR. OUTPUT is the skin file: the archive's
// size and the archive compressed with LZHUF, as the SkinStream property carries it.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "skin/data/SkinArchive.h"

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return static_cast<bool>(in);
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The image names of the INI: every value that ends in ".bmp", without its path.
std::vector<std::string> ImageNames(const std::string& ini) {
    std::vector<std::string> names;
    std::istringstream lines(ini);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == ';' || equals == std::string::npos) continue;
        std::string value = Trim(line.substr(equals + 1));
        const size_t slash = value.find_last_of("\\/:");
        if (slash != std::string::npos) value = value.substr(slash + 1);
        if (value.size() <= 4 || value.compare(value.size() - 4, 4, ".bmp") != 0) continue;
        bool known = false;
        for (const std::string& n : names) known = known || n == value;
        if (!known) names.push_back(value);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: kelo_skinpack SKIN_INI IMAGE_DIR OUTPUT\n");
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> entries;
    std::string ini;
    if (!ReadFile(argv[1], ini)) {
        std::fprintf(stderr, "kelo_skinpack: cannot read %s\n", argv[1]);
        return 1;
    }
    entries.emplace_back("keloskin.ini", ini);
    for (const std::string& name : ImageNames(ini)) {
        std::string bytes;
        if (!ReadFile(std::string(argv[2]) + "/" + name, bytes)) {
            std::fprintf(stderr, "kelo_skinpack: the INI names %s, which is not in %s\n", name.c_str(), argv[2]);
            return 1;
        }
        entries.emplace_back(name, bytes);
    }
    const std::string archive = kelo::skin::WriteSkinArchive(entries);
    const std::string skinFile = kelo::skin::PackSkinFile(archive);
    std::ofstream out(argv[3], std::ios::binary);
    out.write(skinFile.data(), static_cast<std::streamsize>(skinFile.size()));
    if (!out) {
        std::fprintf(stderr, "kelo_skinpack: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("kelo_skinpack: %zu entries, archive %zu bytes, skin file %zu bytes\n", entries.size(),
                archive.size(), skinFile.size());
    return 0;
}
