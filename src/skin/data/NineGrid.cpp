#include "skin/data/NineGrid.h"

#include <algorithm>

namespace kelo::skin {

GridRect SourceFrame(int imageWidth, int imageHeight, int frameCount, int frame, bool stacked) {
    const int n = std::max(frameCount, 1);
    const int k = std::clamp(frame, 1, n);
    if (stacked) {
        const int fh = imageHeight / n;
        return {0, (k - 1) * fh, imageWidth, fh};
    }
    const int fw = imageWidth / n;
    return {(k - 1) * fw, 0, fw, imageHeight};
}

std::vector<GridBlit> NineGridLayout(const NineGridInput& in) {
    std::vector<GridBlit> blits;
    const int W = in.targetWidth, H = in.targetHeight;
    const int fw = in.frameWidth, fh = in.frameHeight;
    if (W <= 0 || H <= 0 || fw <= 0 || fh <= 0) return blits;
    int l = std::max(in.left, 0), r = std::max(in.right, 0);
    int t = std::max(in.top, 0), b = std::max(in.bottom, 0);
    if (W < l + r) l = r = 0;
    if (H < t + b) t = b = 0;

    const int midW = W - l - r, midH = H - t - b;          // target middle
    const int srcMidW = fw - l - r, srcMidH = fh - t - b;  // source middle
    const auto add = [&](GridPiece piece, GridRect source, GridRect target) {
        if (source.width > 0 && source.height > 0 && target.width > 0 && target.height > 0) {
            blits.push_back({piece, source, target});
        }
    };
    add(GridPiece::TopLeft, {0, 0, l, t}, {0, 0, l, t});
    add(GridPiece::BottomLeft, {0, fh - b, l, b}, {0, H - b, l, b});
    add(GridPiece::TopRight, {fw - r, 0, r, t}, {W - r, 0, r, t});
    add(GridPiece::Left, {0, t, l, srcMidH}, {0, t, l, midH});
    add(GridPiece::Top, {l, 0, srcMidW, t}, {l, 0, midW, t});
    const GridRect centre{l, t, srcMidW, srcMidH};
    if (in.tileCentre && centre.width > 0 && centre.height > 0) {
        for (int y = t; y < t + midH; y += centre.height) {
            for (int x = l; x < l + midW; x += centre.width) {
                add(GridPiece::Centre, centre, {x, y, centre.width, centre.height});
            }
        }
    } else {
        add(GridPiece::Centre, centre, {l, t, midW, midH});
    }
    add(GridPiece::BottomRight, {fw - r, fh - b, r, b}, {W - r, H - b, r, b});
    add(GridPiece::Right, {fw - r, t, r, srcMidH}, {W - r, t, r, midH});
    add(GridPiece::Bottom, {l, fh - b, srcMidW, b}, {l, H - b, midW, b});
    return blits;
}

}  // namespace kelo::skin
