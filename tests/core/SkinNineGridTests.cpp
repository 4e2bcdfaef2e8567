#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "skin/data/NineGrid.h"

using namespace kelo::skin;

namespace {

std::vector<GridPiece> Pieces(const std::vector<GridBlit>& blits) {
    std::vector<GridPiece> p;
    for (const GridBlit& b : blits) p.push_back(b.piece);
    return p;
}

// The push button of the skin: 26 x 19 frames, margins 8, 8, 17, 8.
NineGridInput Button(int w, int h, bool tile) { return {w, h, 26, 19, 8, 8, 17, 8, tile}; }

TEST(SkinNineGrid, NormalRectangleDrawsNinePiecesInOrder) {
    const auto blits = NineGridLayout(Button(83, 31, false));
    using P = GridPiece;
    EXPECT_EQ(Pieces(blits), (std::vector<P>{P::TopLeft, P::BottomLeft, P::TopRight, P::Left, P::Top, P::Centre,
                                             P::BottomRight, P::Right, P::Bottom}));
    // Corners keep their size, edges stretch along their length only.
    EXPECT_EQ(blits[0].target, (GridRect{0, 0, 8, 8}));
    EXPECT_EQ(blits[1].source, (GridRect{0, 11, 8, 8}));
    EXPECT_EQ(blits[1].target, (GridRect{0, 23, 8, 8}));
    EXPECT_EQ(blits[2].target, (GridRect{66, 0, 17, 8}));
    EXPECT_EQ(blits[3].source, (GridRect{0, 8, 8, 3}));
    EXPECT_EQ(blits[3].target, (GridRect{0, 8, 8, 15}));
    EXPECT_EQ(blits[4].target, (GridRect{8, 0, 58, 8}));
    EXPECT_EQ(blits[5].source, (GridRect{8, 8, 1, 3}));
    EXPECT_EQ(blits[5].target, (GridRect{8, 8, 58, 15}));
    EXPECT_EQ(blits[6].target, (GridRect{66, 23, 17, 8}));
    EXPECT_EQ(blits[8].target, (GridRect{8, 23, 58, 8}));
}

// Margins that differ on both axes: each piece is cut and placed by its own margins.
TEST(SkinNineGrid, UnequalMarginsCutEveryPieceByItsOwnMargins) {
    // A 30 x 20 frame, margins left 3, top 4, right 7, bottom 5, drawn at 50 x 40.
    std::vector<std::pair<GridRect, GridRect>> got;
    for (const GridBlit& b : NineGridLayout({50, 40, 30, 20, 3, 4, 7, 5, false}))
        got.emplace_back(b.source, b.target);
    EXPECT_EQ(got, (std::vector<std::pair<GridRect, GridRect>>{
                       {{0, 0, 3, 4}, {0, 0, 3, 4}},          // top left
                       {{0, 15, 3, 5}, {0, 35, 3, 5}},        // bottom left
                       {{23, 0, 7, 4}, {43, 0, 7, 4}},        // top right
                       {{0, 4, 3, 11}, {0, 4, 3, 31}},        // left
                       {{3, 0, 20, 4}, {3, 0, 40, 4}},        // top
                       {{3, 4, 20, 11}, {3, 4, 40, 31}},      // centre
                       {{23, 15, 7, 5}, {43, 35, 7, 5}},      // bottom right
                       {{23, 4, 7, 11}, {43, 4, 7, 31}},      // right
                       {{3, 15, 20, 5}, {3, 35, 40, 5}}}));  // bottom
    // A target exactly as big as its margins still fits them: all corners, nothing between.
    using P = GridPiece;
    EXPECT_EQ(Pieces(NineGridLayout({10, 9, 30, 20, 3, 4, 7, 5, false})),
              (std::vector<P>{P::TopLeft, P::BottomLeft, P::TopRight, P::BottomRight}));
}

TEST(SkinNineGrid, TiledCentreStepsByTheSourcePiece) {
    const auto blits = NineGridLayout({20, 20, 10, 10, 2, 2, 2, 2, true});
    std::vector<GridRect> tiles;
    for (const GridBlit& b : blits) {
        if (b.piece == GridPiece::Centre) tiles.push_back(b.target);
    }
    // A 16 x 16 centre from a 6 x 6 piece: three steps each way, the last ones spill over.
    ASSERT_EQ(tiles.size(), 9u);
    EXPECT_EQ(tiles[0], (GridRect{2, 2, 6, 6}));
    EXPECT_EQ(tiles[1], (GridRect{8, 2, 6, 6}));
    EXPECT_EQ(tiles[3], (GridRect{2, 8, 6, 6}));
    EXPECT_EQ(tiles[8], (GridRect{14, 14, 6, 6}));
    // The pieces after the centre cover what spilled over.
    EXPECT_EQ(blits.back().piece, GridPiece::Bottom);
}

TEST(SkinNineGrid, NarrowRectangleDropsTheSideMargins) {
    const auto blits = NineGridLayout(Button(20, 31, false));  // 20 < 8 + 17
    using P = GridPiece;
    EXPECT_EQ(Pieces(blits), (std::vector<P>{P::Top, P::Centre, P::Bottom}));
    EXPECT_EQ(blits[0].source, (GridRect{0, 0, 26, 8}));
    EXPECT_EQ(blits[0].target, (GridRect{0, 0, 20, 8}));
    EXPECT_EQ(blits[1].target, (GridRect{0, 8, 20, 15}));
}

TEST(SkinNineGrid, FlatRectangleDropsTopAndBottom) {
    const auto blits = NineGridLayout(Button(83, 12, false));  // 12 < 8 + 8
    using P = GridPiece;
    EXPECT_EQ(Pieces(blits), (std::vector<P>{P::Left, P::Centre, P::Right}));
    EXPECT_EQ(blits[0].source, (GridRect{0, 0, 8, 19}));
    EXPECT_EQ(blits[0].target, (GridRect{0, 0, 8, 12}));
    EXPECT_EQ(blits[2].target, (GridRect{66, 0, 17, 12}));
}

TEST(SkinNineGrid, NothingForEmptyOrNegativeRectangles) {
    EXPECT_TRUE(NineGridLayout(Button(-1, 20, false)).empty());
    EXPECT_TRUE(NineGridLayout(Button(30, 0, false)).empty());
    EXPECT_TRUE(NineGridLayout({30, 30, 0, 19, 0, 0, 0, 0, false}).empty());
}

TEST(SkinNineGrid, NoMarginsStretchesTheWholeFrame) {
    const auto blits = NineGridLayout({40, 17, 16, 16, 0, 0, 0, 0, false});
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].source, (GridRect{0, 0, 16, 16}));
    EXPECT_EQ(blits[0].target, (GridRect{0, 0, 40, 17}));
}

TEST(SkinNineGrid, SourceFrames) {
    EXPECT_EQ(SourceFrame(130, 19, 5, 4, false), (GridRect{78, 0, 26, 19}));
    EXPECT_EQ(SourceFrame(32, 58, 2, 2, true), (GridRect{0, 29, 32, 29}));
    EXPECT_EQ(SourceFrame(130, 19, 5, 9, false), (GridRect{104, 0, 26, 19}));  // held to the last
    EXPECT_EQ(SourceFrame(130, 19, 0, 1, false), (GridRect{0, 0, 130, 19}));
}

}  // namespace
