#include "SkinCanvas.h"

#include <algorithm>
#include <cmath>

namespace kelo::skinart {

namespace {

constexpr int kSamples = 4;  // per axis: 16 samples a pixel

double RoundBoxDistance(double px, double py, double x0, double y0, double x1, double y1, double rTop,
                        double rBottom) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    const double r = std::min({py < cy ? rTop : rBottom, hx, hy});
    const double qx = std::abs(px - cx) - (hx - r), qy = std::abs(py - cy) - (hy - r);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

double SegmentDistance(double px, double py, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double lengthSq = dx * dx + dy * dy;
    const double t = lengthSq > 0 ? std::clamp(((px - x0) * dx + (py - y0) * dy) / lengthSq, 0.0, 1.0) : 0.0;
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

}  // namespace

Canvas::Canvas(int width, int height, Colour background)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, background),
      ink_(static_cast<size_t>(width) * height, 0.0) {}

void Canvas::Blend(int x, int y, Colour c, double alpha) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0) return;
    const size_t i = static_cast<size_t>(y) * width_ + x;
    Colour& p = pixels_[i];
    p = {p.r + (c.r - p.r) * alpha, p.g + (c.g - p.g) * alpha, p.b + (c.b - p.b) * alpha};
    ink_[i] = std::min(1.0, ink_[i] + alpha);
}

// Covers the pixels of the box around a shape with the share of samples inside it.
template <class Distance>
void Canvas::Cover(double x0, double y0, double x1, double y1, const std::function<Colour(int)>& rowColour,
                   Distance distance) {
    const int left = std::max(0, static_cast<int>(std::floor(x0)) - 1);
    const int top = std::max(0, static_cast<int>(std::floor(y0)) - 1);
    const int right = std::min(width_, static_cast<int>(std::ceil(x1)) + 1);
    const int bottom = std::min(height_, static_cast<int>(std::ceil(y1)) + 1);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
                    if (distance(px, py) <= 0) ++inside;
                }
            }
            Blend(x, y, rowColour(y), static_cast<double>(inside) / (kSamples * kSamples));
        }
    }
}

void Canvas::FillRoundRect(double x0, double y0, double x1, double y1, double rTop, double rBottom, Colour c) {
    Cover(x0, y0, x1, y1, c, [&](double px, double py) { return RoundBoxDistance(px, py, x0, y0, x1, y1, rTop, rBottom); });
}

void Canvas::FillRoundRect(double x0, double y0, double x1, double y1, double r,
                           const std::function<Colour(int)>& rowColour) {
    Cover(x0, y0, x1, y1, rowColour, [&](double px, double py) { return RoundBoxDistance(px, py, x0, y0, x1, y1, r, r); });
}

void Canvas::StrokeRoundRect(double x0, double y0, double x1, double y1, double r, double width, Colour c) {
    const double h = width / 2;
    Cover(x0 - h, y0 - h, x1 + h, y1 + h, c,
          [&](double px, double py) { return std::abs(RoundBoxDistance(px, py, x0, y0, x1, y1, r, r)) - h; });
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, Colour c) {
    const double h = width / 2;
    Cover(std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h, c,
          [&](double px, double py) { return SegmentDistance(px, py, x0, y0, x1, y1) - h; });
}

void Canvas::FillCircle(double cx, double cy, double radius, Colour c) {
    Cover(cx - radius, cy - radius, cx + radius, cy + radius, c,
          [&](double px, double py) { return std::hypot(px - cx, py - cy) - radius; });
}

void Canvas::StrokeCircle(double cx, double cy, double radius, double width, Colour c) {
    const double h = width / 2;
    Cover(cx - radius - h, cy - radius - h, cx + radius + h, cy + radius + h, c,
          [&](double px, double py) { return std::abs(std::hypot(px - cx, py - cy) - radius) - h; });
}

void Canvas::FillRect(int x0, int y0, int x1, int y1, Colour c) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) Blend(x, y, c, 1.0);
    }
}

Colour Mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void Canvas::Paste(const Canvas& from, int x, int y) {
    for (int row = 0; row < from.height_; ++row) {
        for (int col = 0; col < from.width_; ++col) {
            const int tx = x + col, ty = y + row;
            if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
            const size_t src = static_cast<size_t>(row) * from.width_ + col;
            const size_t dst = static_cast<size_t>(ty) * width_ + tx;
            pixels_[dst] = from.pixels_[src];
            ink_[dst] = from.ink_[src];
        }
    }
}

Canvas Canvas::Cut(int x, int y, int width, int height) const {
    Canvas part(width, height, {});
    part.Paste(*this, -x, -y);
    return part;
}

skin::SkinImage Canvas::ToImage(bool keyUntouched) const {
    skin::SkinImage image(width_, height_);
    const auto channel = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const size_t i = static_cast<size_t>(y) * width_ + x;
            const Colour& p = pixels_[i];
            const bool keyed = keyUntouched && ink_[i] < 1.0 / 64;
            image.Set(x, y, keyed ? skin::kMagenta : skin::MakePixel(channel(p.r), channel(p.g), channel(p.b)));
        }
    }
    return image;
}

Canvas JoinFrames(const std::vector<Canvas>& frames, bool stacked) {
    const int w = frames.front().Width(), h = frames.front().Height();
    const int n = static_cast<int>(frames.size());
    Canvas strip(stacked ? w : w * n, stacked ? h * n : h, {});
    for (int i = 0; i < n; ++i) strip.Paste(frames[i], stacked ? 0 : w * i, stacked ? h * i : 0);
    return strip;
}

}  // namespace kelo::skinart
