#pragma once
#include <string>

namespace kelo::app {

// Where the program keeps Kelo.ini and Kelo.trv: beside itself when it may write there,
// else, from then on, in its folder under the user's application data.
struct DataFolder {
    std::string path;       // UTF-8, with its trailing separator
    bool firstUse = false;  // the other folder has just been taken into use
};

// Whether a file can be made in the folder (a probe that leaves nothing behind).
bool FolderWritable(const std::string& dir);
// The user's application-data folder with its trailing separator; "" when unknown.
std::string UserAppDataDir();

// "<appData>Kelo\" once the program's folder has moved there, whether it can be written
// now or not (the moved folder lists the program folders it holds, so that a copy of the
// program elsewhere is not drawn in). Else the program's folder when `programDirWritable`;
// else it moves: the first time the folder is taken into use the files beside the program
// are copied into it (the originals stay as they are), and the program's folder is listed.
// Falls back to the program's folder when neither can be had.
DataFolder ChooseDataFolder(const std::string& programDir, const std::string& appDataDir,
                            bool programDirWritable);

}  // namespace kelo::app
