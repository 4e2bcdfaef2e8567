#pragma once
// A small anti-aliased painter for drawing the skin's images: shapes are given by their
// signed distance, and each pixel takes the share of the shape that covers it.
#include <functional>
#include <vector>

#include "skin/data/SkinImage.h"

namespace kelo::skinart {

struct Colour {
    double r = 0, g = 0, b = 0;
};
constexpr Colour C(int r, int g, int b) { return {double(r), double(g), double(b)}; }

class Canvas {
public:
    Canvas(int width, int height, Colour background);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Rounded rectangle between the pixel edges x0..x1, y0..y1; the top and bottom
    // corners may have different radii.
    void FillRoundRect(double x0, double y0, double x1, double y1, double rTop, double rBottom, Colour c);
    // The same with a colour for each pixel row.
    void FillRoundRect(double x0, double y0, double x1, double y1, double r, const std::function<Colour(int)>& rowColour);
    // A line of `width` centred on the rounded rectangle's outline.
    void StrokeRoundRect(double x0, double y0, double x1, double y1, double r, double width, Colour c);
    void Line(double x0, double y0, double x1, double y1, double width, Colour c);
    void FillCircle(double cx, double cy, double radius, Colour c);
    void StrokeCircle(double cx, double cy, double radius, double width, Colour c);
    // Hard-edged rectangle of whole pixels [x0, x1) x [y0, y1).
    void FillRect(int x0, int y0, int x1, int y1, Colour c);

    void Paste(const Canvas& from, int x, int y);
    Canvas Cut(int x, int y, int width, int height) const;
    // Pixels nothing was drawn on become magenta when `keyUntouched` is set.
    skin::SkinImage ToImage(bool keyUntouched) const;

private:
    template <class Distance>
    void Cover(double x0, double y0, double x1, double y1, const std::function<Colour(int)>& rowColour,
               Distance distance);
    template <class Distance>
    void Cover(double x0, double y0, double x1, double y1, Colour c, Distance distance) {
        Cover(x0, y0, x1, y1, [c](int) { return c; }, distance);
    }
    void Blend(int x, int y, Colour c, double alpha);

    int width_, height_;
    std::vector<Colour> pixels_;
    std::vector<double> ink_;  // how much of each pixel was drawn on
};

Colour Mix(Colour a, Colour b, double t);

// Frames side by side (or stacked) into one strip.
Canvas JoinFrames(const std::vector<Canvas>& frames, bool stacked);

}  // namespace kelo::skinart
