#pragma once
// Where the nine pieces of a skin element go: four corners that keep their size, four
// edges that stretch along their length and a centre that stretches or is tiled.
#include <cstdint>
#include <vector>

namespace kelo::skin {

struct GridRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const GridRect&) const = default;
};

enum class GridPiece { TopLeft, BottomLeft, TopRight, Left, Top, Centre, BottomRight, Right, Bottom };

struct GridBlit {
    GridPiece piece;
    GridRect source;  // within the frame
    GridRect target;  // within the target rectangle
};

struct NineGridInput {
    int targetWidth = 0, targetHeight = 0;
    int frameWidth = 0, frameHeight = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool tileCentre = false;
};

// The source frame of frame k (1-based) of n, side by side or stacked.
GridRect SourceFrame(int imageWidth, int imageHeight, int frameCount, int frame, bool stacked);

// The pieces in drawing order. Margins that do not fit the target (width below
// left + right, height below top + bottom) count as 0 on that axis; pieces without area
// are left out. A tiled centre gives one blit per copy, from the centre's top-left in
// steps of the source piece, the last ones spilling over into the pieces drawn later.
std::vector<GridBlit> NineGridLayout(const NineGridInput& in);

}  // namespace kelo::skin
