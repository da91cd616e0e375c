// Draws the program's frame bitmaps (24-bit .bmp) and icons (.ico with 32-bit
// images) into a folder:
//
//   resgen <output folder>
//
// Everything is drawn from shapes given by signed distance functions, so
// edges are anti-aliased at every size and the output is the same on every
// run. The lettering of the title band is a small stroked typeface built
// from lines and arcs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Colours and canvas

struct Colour {
  float r, g, b, a;
};

Colour Hex(uint32_t rgb, float alpha = 1.0f) {
  return Colour{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

Colour Mix(const Colour& a, const Colour& b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

using Paint = std::function<Colour(float x, float y)>;
using Shape = std::function<float(float x, float y)>;  // signed distance, < 0 inside

Paint Solid(Colour c) {
  return [c](float, float) { return c; };
}

Paint Vertical(float y0, Colour top, float y1, Colour bottom) {
  return [=](float, float y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); };
}

Paint Horizontal(float x0, Colour left, float x1, Colour right) {
  return [=](float x, float) { return Mix(left, right, (x - x0) / (x1 - x0)); };
}

// Premultiplied colour per pixel.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height, Colour{0, 0, 0, 0}) {}

  int width() const { return width_; }
  int height() const { return height_; }

  // Paints shape with anti-aliased edges; opacity scales the coverage.
  void Fill(const Shape& shape, const Paint& paint, float opacity = 1.0f) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        float px = x + 0.5f;
        float py = y + 0.5f;
        float coverage = std::clamp(0.5f - shape(px, py), 0.0f, 1.0f) * opacity;
        if (coverage <= 0.0f) continue;
        Blend(x, y, paint(px, py), coverage);
      }
    }
  }

  // Like Fill, with an edge softened over `softness` pixels (shadows, glows).
  void FillSoft(const Shape& shape, const Paint& paint, float softness, float opacity = 1.0f) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        float px = x + 0.5f;
        float py = y + 0.5f;
        float t = std::clamp(0.5f - shape(px, py) / softness, 0.0f, 1.0f);
        float coverage = t * t * (3.0f - 2.0f * t) * opacity;
        if (coverage <= 0.0f) continue;
        Blend(x, y, paint(px, py), coverage);
      }
    }
  }

  // Copies src (its own size) so that its top left lands at (x, y).
  void Draw(const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.height_; ++sy) {
      for (int sx = 0; sx < src.width_; ++sx) {
        int tx = x + sx;
        int ty = y + sy;
        if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
        const Colour& s = src.At(sx, sy);
        Colour& d = At(tx, ty);
        d = Colour{s.r + d.r * (1 - s.a), s.g + d.g * (1 - s.a), s.b + d.b * (1 - s.a), s.a + d.a * (1 - s.a)};
      }
    }
  }

  Canvas Crop(int x, int y, int width, int height) const {
    Canvas out(width, height);
    for (int cy = 0; cy < height; ++cy) {
      for (int cx = 0; cx < width; ++cx) out.At(cx, cy) = At(x + cx, y + cy);
    }
    return out;
  }

  const Colour& At(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
  Colour& At(int x, int y) { return pixels_[size_t(y) * width_ + x]; }

 private:
  void Blend(int x, int y, const Colour& c, float coverage) {
    float a = c.a * coverage;
    Colour& d = At(x, y);
    d = Colour{c.r * a + d.r * (1 - a), c.g * a + d.g * (1 - a), c.b * a + d.b * (1 - a), a + d.a * (1 - a)};
  }

  int width_;
  int height_;
  std::vector<Colour> pixels_;
};

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

// ---------------------------------------------------------------------------
// Shapes

struct Point {
  float x, y;
};

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

float SegmentDistance(float px, float py, Point a, Point b) {
  float bx = b.x - a.x;
  float by = b.y - a.y;
  float ax = px - a.x;
  float ay = py - a.y;
  float len2 = bx * bx + by * by;
  float t = len2 > 0 ? std::clamp((ax * bx + ay * by) / len2, 0.0f, 1.0f) : 0.0f;
  return Length(ax - bx * t, ay - by * t);
}

Shape RoundRect(float x0, float y0, float x1, float y1, float radius) {
  return [=](float x, float y) {
    float cx = (x0 + x1) / 2;
    float cy = (y0 + y1) / 2;
    float qx = std::fabs(x - cx) - ((x1 - x0) / 2 - radius);
    float qy = std::fabs(y - cy) - ((y1 - y0) / 2 - radius);
    return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
  };
}

// A rectangle with only its bottom corners rounded (a tab hanging from the top).
Shape HangingTab(float x0, float y0, float x1, float y1, float radius) {
  Shape rounded = RoundRect(x0, y0 - radius - 1, x1, y1, radius);
  return [=](float x, float y) { return std::max(rounded(x, y), y0 - y); };
}

Shape Circle(float cx, float cy, float radius) {
  return [=](float x, float y) { return Length(x - cx, y - cy) - radius; };
}

Shape Ring(float cx, float cy, float radius, float width) {
  return [=](float x, float y) { return std::fabs(Length(x - cx, y - cy) - radius) - width / 2; };
}

Shape Capsule(Point a, Point b, float width) {
  return [=](float x, float y) { return SegmentDistance(x, y, a, b) - width / 2; };
}

Shape Stroke(std::vector<Point> points, float width) {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  for (const Point& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  return [=](float x, float y) {
    // Far from the stroke's box: the box distance is a safe lower bound.
    float outside = std::max({left - x, x - right, top - y, y - bottom, 0.0f});
    if (outside > width + 2) return outside - width / 2;
    float best = 1e9f;
    for (size_t i = 1; i < points.size(); ++i) best = std::min(best, SegmentDistance(x, y, points[i - 1], points[i]));
    if (points.size() == 1) best = Length(x - points[0].x, y - points[0].y);
    return best - width / 2;
  };
}

// Exact signed distance to a closed polygon (either winding).
Shape Polygon(std::vector<Point> v) {
  return [=](float x, float y) {
    float d = (x - v[0].x) * (x - v[0].x) + (y - v[0].y) * (y - v[0].y);
    float s = 1.0f;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
      float ex = v[j].x - v[i].x;
      float ey = v[j].y - v[i].y;
      float wx = x - v[i].x;
      float wy = y - v[i].y;
      float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
      float bx = wx - ex * t;
      float by = wy - ey * t;
      d = std::min(d, bx * bx + by * by);
      bool c1 = y >= v[i].y;
      bool c2 = y < v[j].y;
      bool c3 = ex * wy > ey * wx;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
  };
}

Shape Union(Shape a, Shape b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape Subtract(Shape a, Shape b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Shape Intersect(Shape a, Shape b) {
  return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Shape Grow(Shape a, float by) {
  return [=](float x, float y) { return a(x, y) - by; };
}

// The band of width `width` just inside the outline of a.
Shape InnerOutline(Shape a, float width) {
  return [=](float x, float y) {
    float d = a(x, y);
    return std::max(d, -d - width);
  };
}

Shape Everywhere() {
  return [](float, float) { return -1000.0f; };
}

Shape Rows(float y0, float y1) {
  return [=](float, float y) { return std::max(y0 - y, y - y1); };
}

Shape Columns(float x0, float x1) {
  return [=](float x, float) { return std::max(x0 - x, x - x1); };
}

// Points of an arc around (cx, cy); angles in degrees, screen orientation
// (0 = right, 90 = down).
void AddArc(std::vector<Point>* points, float cx, float cy, float rx, float ry, float from, float to) {
  int steps = std::max(8, static_cast<int>(std::fabs(to - from) / 4.0f));
  for (int i = 0; i <= steps; ++i) {
    // Trigonometry in double precision: the same points on every build.
    double t = (from + (to - from) * static_cast<double>(i) / steps) * 3.14159265358979323846 / 180.0;
    points->push_back(Point{cx + rx * static_cast<float>(std::cos(t)), cy + ry * static_cast<float>(std::sin(t))});
  }
}

// ---------------------------------------------------------------------------
// Lettering: a geometric sans drawn with strokes of one width.

struct Lettering {
  float baseline;
  float x_height;
  float cap_height;
  float weight;  // stroke width
  float spacing;
};

// Appends the strokes of one letter at pen position x; returns its advance.
float Letter(char letter, float x, const Lettering& l, std::vector<std::vector<Point>>* strokes) {
  const float h = l.weight / 2;
  const float base = l.baseline - h;            // centre line of strokes on the baseline
  const float top = l.baseline - l.x_height + h;  // centre line at the x-height
  const float middle = l.baseline - l.x_height / 2;
  const float radius = l.x_height / 2 - h;
  switch (letter) {
    case 'O': {
      float ry = l.cap_height / 2 - h;
      float rx = ry * 1.02f;
      std::vector<Point> ring;
      AddArc(&ring, x + h + rx, l.baseline - l.cap_height / 2, rx, ry, 0, 360);
      strokes->push_back(ring);
      return 2 * rx + l.weight;
    }
    case 'r': {
      float stem = x + h;
      strokes->push_back({{stem, top}, {stem, base}});
      std::vector<Point> shoulder;
      float r = l.x_height * 0.46f;
      AddArc(&shoulder, stem + r, top + r, r, r, 180, 285);
      strokes->push_back(shoulder);
      return r * 1.12f + l.weight;
    }
    case 'v': {
      float width = l.x_height * 0.92f;
      strokes->push_back({{x + h, top}, {x + width / 2, base}, {x + width - h, top}});
      return width;
    }
    case 'a': {
      float cx = x + h + radius;
      std::vector<Point> bowl;
      AddArc(&bowl, cx, middle, radius, radius, 0, 360);
      strokes->push_back(bowl);
      strokes->push_back({{cx + radius, top}, {cx + radius, base}});
      return 2 * radius + l.weight;
    }
    case 'n': {
      float r = radius * 0.98f;
      float left = x + h;
      float right = left + 2 * r;
      std::vector<Point> arch{{left, base}, {left, top}};
      strokes->push_back(arch);
      std::vector<Point> curve{{left, top + r}};
      AddArc(&curve, left + r, top + r, r, r, 180, 360);
      curve.push_back({right, base});
      strokes->push_back(curve);
      return 2 * r + l.weight;
    }
    case 'e': {
      float cx = x + h + radius;
      strokes->push_back({{cx - radius, middle}, {cx + radius, middle}});
      std::vector<Point> bowl;
      AddArc(&bowl, cx, middle, radius, radius, 0, -318);
      strokes->push_back(bowl);
      return 2 * radius + l.weight;
    }
    default:
      return l.x_height * 0.5f;
  }
}

Shape Word(const std::string& word, float x, const Lettering& l) {
  std::vector<std::vector<Point>> strokes;
  for (char letter : word) x += Letter(letter, x, l, &strokes) + l.spacing;
  Shape shape = [](float, float) { return 1e9f; };
  for (const auto& stroke : strokes) shape = Union(shape, Stroke(stroke, l.weight));
  return shape;
}

// ---------------------------------------------------------------------------
// Palette

const Colour kBandTop = Hex(0x2F74C4);
const Colour kBandBottom = Hex(0x1B4F93);
const Colour kBandShine = Hex(0xFFFFFF, 0.16f);
const Colour kFrame = Hex(0x1B4F93);
const Colour kFrameEdge = Hex(0x163F76);
const Colour kFrameLight = Hex(0x3A7CC8);
const Colour kBody = Hex(0xD7E4F2);  // 215, 228, 242
const Colour kWhite = Hex(0xFFFFFF);
const Colour kCloseRed = Hex(0xD83B3B);

// ---------------------------------------------------------------------------
// Icons, drawn in a unit square scaled to size

struct IconPen {
  float size;
  float At(float unit) const { return unit * size; }
  Point P(float ux, float uy) const { return Point{ux * size, uy * size}; }
  // A line width that stays visible at small sizes.
  float Line(float unit, float minimum = 1.0f) const { return std::max(unit * size, minimum); }
};

void DrawProduct(Canvas& c, float size, float ox = 0, float oy = 0, bool on_dark = false) {
  IconPen p{size};
  auto X = [&](float u) { return ox + p.At(u); };
  auto Y = [&](float u) { return oy + p.At(u); };
  Shape tile = RoundRect(X(0.06f), Y(0.06f), X(0.94f), Y(0.94f), p.At(0.2f));
  // Soft shadow under the tile.
  c.FillSoft(RoundRect(X(0.08f), Y(0.10f), X(0.92f), Y(0.96f), p.At(0.2f)), Solid(Hex(0x0B2545, 0.45f)),
             std::max(1.0f, p.At(0.05f)));
  if (on_dark) c.Fill(Grow(tile, 1.0f), Solid(Hex(0xFFFFFF, 0.45f)));
  c.Fill(tile, Vertical(Y(0.06f), Hex(0x4A9BF0), Y(0.94f), Hex(0x1A56A8)));
  c.Fill(Intersect(tile, Rows(Y(0.0f), Y(0.5f))), Vertical(Y(0.06f), Hex(0xFFFFFF, 0.22f), Y(0.5f), Hex(0xFFFFFF, 0.0f)));
  c.Fill(InnerOutline(tile, p.Line(0.025f, 0.8f)), Solid(Hex(0x0E3C7A, 0.55f)));
  // The chip with its pins.
  // Small sizes get a larger chip with fewer pins.
  bool small = size < 26;
  float c0 = small ? 0.27f : 0.30f, c1 = small ? 0.73f : 0.70f;
  Shape pins = [](float, float) { return 1e9f; };
  float pin_w = p.Line(0.055f, 1.0f);
  int pin_count = small ? 2 : 3;
  for (int i = 0; i < pin_count; ++i) {
    float u = small ? 0.40f + 0.20f * i : 0.38f + 0.12f * i;
    pins = Union(pins, Capsule({X(u), Y(0.20f)}, {X(u), Y(0.80f)}, pin_w));
    pins = Union(pins, Capsule({X(0.20f), Y(u)}, {X(0.80f), Y(u)}, pin_w));
  }
  Shape chip = RoundRect(X(c0), Y(c0), X(c1), Y(c1), p.At(0.06f));
  c.Fill(Subtract(pins, Grow(chip, -0.01f)), Solid(Hex(0xE8F2FF)));
  c.Fill(chip, Vertical(Y(c0), Hex(0xFFFFFF), Y(c1), Hex(0xDCE9F8)));
  // Arrow into the chip: the driver goes in.
  float stem = p.Line(0.075f, 1.4f);
  c.Fill(Capsule({X(0.5f), Y(0.37f)}, {X(0.5f), Y(0.55f)}, stem), Solid(Hex(0x1B5FB4)));
  c.Fill(Stroke({{X(0.41f), Y(0.51f)}, {X(0.5f), Y(0.61f)}, {X(0.59f), Y(0.51f)}}, stem), Solid(Hex(0x1B5FB4)));
}

void DrawDisk(Canvas& c, float size) {
  IconPen p{size};
  Shape body = RoundRect(p.At(0.07f), p.At(0.28f), p.At(0.93f), p.At(0.80f), p.At(0.09f));
  c.FillSoft(RoundRect(p.At(0.08f), p.At(0.33f), p.At(0.92f), p.At(0.86f), p.At(0.09f)), Solid(Hex(0x1C2733, 0.35f)),
             std::max(1.0f, p.At(0.05f)));
  c.Fill(body, Vertical(p.At(0.28f), Hex(0xF4F7FA), p.At(0.80f), Hex(0xB9C3CE)));
  // Front plate.
  Shape front = Intersect(body, Rows(p.At(0.58f), p.At(1.0f)));
  c.Fill(front, Vertical(p.At(0.58f), Hex(0x8E9BAA), p.At(0.80f), Hex(0x6A7887)));
  c.Fill(Intersect(body, Rows(p.At(0.575f), p.At(0.575f) + p.Line(0.015f, 0.7f))), Solid(Hex(0xFFFFFF, 0.6f)));
  c.Fill(InnerOutline(body, p.Line(0.02f, 0.9f)), Solid(Hex(0x4B5967)));
  // Top highlight.
  c.Fill(Intersect(Grow(body, -p.Line(0.03f)), Rows(p.At(0.28f), p.At(0.36f))), Solid(Hex(0xFFFFFF, 0.55f)));
  // Vent slots and the activity light.
  for (int i = 0; i < 4; ++i) {
    float u = 0.18f + i * 0.07f;
    c.Fill(Capsule(p.P(u, 0.65f), p.P(u, 0.73f), p.Line(0.03f, 0.9f)), Solid(Hex(0x3D4956, 0.8f)));
  }
  c.FillSoft(Circle(p.At(0.79f), p.At(0.69f), p.At(0.07f)), Solid(Hex(0x5CFF7A, 0.5f)), std::max(1.0f, p.At(0.05f)));
  c.Fill(Circle(p.At(0.79f), p.At(0.69f), p.Line(0.042f, 1.2f)), Solid(Hex(0x2EE65A)));
  // Screws of the top cover.
  c.Fill(Circle(p.At(0.17f), p.At(0.43f), p.Line(0.022f, 0.8f)), Solid(Hex(0x7D8A97)));
  c.Fill(Circle(p.At(0.83f), p.At(0.43f), p.Line(0.022f, 0.8f)), Solid(Hex(0x7D8A97)));
}

void DrawFolder(Canvas& c, float size, float ox = 0, float oy = 0, float scale = 1.0f) {
  IconPen p{size * scale};
  auto X = [&](float u) { return ox + p.At(u); };
  auto Y = [&](float u) { return oy + p.At(u); };
  Shape back = Union(RoundRect(X(0.06f), Y(0.20f), X(0.94f), Y(0.86f), p.At(0.06f)),
                     RoundRect(X(0.06f), Y(0.13f), X(0.44f), Y(0.30f), p.At(0.05f)));
  c.FillSoft(Grow(back, p.At(0.01f)), Solid(Hex(0x5A3A00, 0.30f)), std::max(1.0f, p.At(0.04f)));
  c.Fill(back, Vertical(Y(0.13f), Hex(0xE9A93A), Y(0.86f), Hex(0xC98516)));
  // A sheet of paper peeking out.
  c.Fill(RoundRect(X(0.14f), Y(0.26f), X(0.86f), Y(0.70f), p.At(0.03f)), Solid(Hex(0xFFFFFF)));
  Shape front = RoundRect(X(0.06f), Y(0.36f), X(0.94f), Y(0.86f), p.At(0.06f));
  c.Fill(front, Vertical(Y(0.36f), Hex(0xFFD874), Y(0.86f), Hex(0xF3B43E)));
  c.Fill(Intersect(front, Rows(Y(0.36f), Y(0.36f) + p.Line(0.02f, 0.8f))), Solid(Hex(0xFFF1C4)));
  c.Fill(InnerOutline(Union(back, front), p.Line(0.018f, 0.8f)), Solid(Hex(0xA86C0E, 0.9f)));
}

void DrawInformation(Canvas& c, float size) {
  IconPen p{size};
  Shape disc = Circle(p.At(0.5f), p.At(0.5f), p.At(0.46f));
  c.Fill(disc, Vertical(p.At(0.04f), Hex(0x4EA1F2), p.At(0.96f), Hex(0x1D5DB5)));
  c.Fill(InnerOutline(disc, p.Line(0.04f, 0.8f)), Solid(Hex(0x154A92, 0.7f)));
  c.Fill(Circle(p.At(0.5f), p.At(0.29f), p.Line(0.085f, 1.2f)), Solid(kWhite));
  c.Fill(RoundRect(p.At(0.5f) - p.Line(0.075f, 1.0f), p.At(0.43f), p.At(0.5f) + p.Line(0.075f, 1.0f), p.At(0.77f),
                   p.At(0.03f)),
         Solid(kWhite));
}

void DrawBrowse(Canvas& c, float size) {
  IconPen p{size};
  DrawFolder(c, size, 0, p.At(0.02f), 0.86f);
  // Magnifier over the folder's lower right corner.
  Point centre = p.P(0.60f, 0.58f);
  float radius = p.At(0.20f);
  float rim = p.Line(0.075f, 1.6f);
  c.FillSoft(Circle(centre.x, centre.y + p.At(0.02f), radius + rim), Solid(Hex(0x1C2733, 0.35f)),
             std::max(1.0f, p.At(0.04f)));
  c.Fill(Circle(centre.x, centre.y, radius), Vertical(centre.y - radius, Hex(0xE8F4FF, 0.9f), centre.y + radius,
                                                      Hex(0xA9CFF3, 0.9f)));
  c.Fill(Capsule(p.P(0.75f, 0.73f), p.P(0.91f, 0.89f), p.Line(0.12f, 2.2f)), Solid(Hex(0x2E3A46)));
  c.Fill(Ring(centre.x, centre.y, radius, rim), Vertical(centre.y - radius, Hex(0x566575), centre.y + radius,
                                                         Hex(0x2E3A46)));
  c.Fill(Intersect(Ring(centre.x, centre.y, radius * 0.62f, p.Line(0.035f, 0.9f)),
                   [=](float x, float y) { return std::max(x - centre.x, y - centre.y); }),
         Solid(Hex(0xFFFFFF, 0.9f)));
}

void DrawWarning(Canvas& c, float size) {
  IconPen p{size};
  float round = p.At(0.06f);
  Shape triangle = Grow(Polygon({p.P(0.5f, 0.13f), p.P(0.90f, 0.85f), p.P(0.10f, 0.85f)}), round);
  c.FillSoft(Grow(Polygon({p.P(0.5f, 0.17f), p.P(0.90f, 0.89f), p.P(0.10f, 0.89f)}), round),
             Solid(Hex(0x4A2C00, 0.35f)), std::max(1.0f, p.At(0.04f)));
  c.Fill(triangle, Vertical(p.At(0.07f), Hex(0xFFE16B), p.At(0.91f), Hex(0xF5A524)));
  c.Fill(Intersect(Grow(triangle, -p.Line(0.03f)), Rows(0, p.At(0.45f))),
         Vertical(p.At(0.07f), Hex(0xFFFFFF, 0.45f), p.At(0.45f), Hex(0xFFFFFF, 0.0f)));
  c.Fill(InnerOutline(triangle, p.Line(0.025f, 1.0f)), Solid(Hex(0xC27800)));
  Colour mark = Hex(0x3B2A05);
  c.Fill([=](float x, float y) {
    // The bar of the mark narrows towards its foot.
    float top = p.At(0.36f), bottom = p.At(0.64f);
    float t = std::clamp((y - top) / (bottom - top), 0.0f, 1.0f);
    float half = p.At(0.055f) - t * p.At(0.02f);
    return SegmentDistance(x, y, p.P(0.5f, 0.36f), p.P(0.5f, 0.64f)) - half;
  }, Solid(mark));
  c.Fill(Circle(p.At(0.5f), p.At(0.745f), p.At(0.052f)), Solid(mark));
}

// ---------------------------------------------------------------------------
// Frame bitmaps

struct TitleBand {
  int width;
  bool buttons;  // the minimise and exit buttons of the main window
};

constexpr float kBandHeight = 47;
constexpr int kMinimiseX = 428, kMinimiseWidth = 29;
constexpr int kExitX = 457, kExitWidth = 47;
constexpr int kButtonHeight = 20;

void DrawMinimiseGlyph(Canvas& c, float x, float width, Colour colour) {
  float cx = x + width / 2;
  c.Fill(Capsule({cx - 5.0f, 10.5f}, {cx + 5.0f, 10.5f}, 1.7f), Solid(colour));
}

void DrawExitGlyph(Canvas& c, float x, float width, Colour colour) {
  float cx = x + width / 2;
  float cy = 10.0f;
  float arm = 4.6f;
  c.Fill(Union(Capsule({cx - arm, cy - arm}, {cx + arm, cy + arm}, 1.7f),
               Capsule({cx - arm, cy + arm}, {cx + arm, cy - arm}, 1.7f)),
         Solid(colour));
}

Canvas DrawTitleBand(const TitleBand& band) {
  Canvas c(band.width, static_cast<int>(kBandHeight));
  float w = static_cast<float>(band.width);
  c.Fill(Everywhere(), Vertical(0, kBandTop, kBandHeight - 1, kBandBottom));
  // A soft sheen over the upper half and a bright top edge.
  c.Fill(Rows(0, 22), Vertical(0, kBandShine, 22, Hex(0xFFFFFF, 0.0f)));
  c.Fill(Rows(0, 1), Solid(Hex(0xFFFFFF, 0.28f)));
  // Light trail across the band, fading out towards the right.
  c.FillSoft([=](float x, float y) { return std::fabs(y - (44.0f - x * 0.05f)) - 9.0f; },
             Horizontal(0, Hex(0xFFFFFF, 0.07f), w, Hex(0xFFFFFF, 0.0f)), 10.0f);
  // Bottom edge joining the body: a dark line.
  c.Fill(Rows(kBandHeight - 1, kBandHeight), Solid(kFrameEdge));
  // Left and right frame edges continue the borders below.
  c.Fill(Columns(0, 1), Solid(Hex(0x143A6C, 0.5f)));
  c.Fill(Columns(w - 1, w), Solid(Hex(0x143A6C, 0.5f)));

  // Product mark and name.
  Canvas logo(30, 30);
  DrawProduct(logo, 30, 0, 0, true);
  c.Draw(logo, 12, 8);
  Lettering lettering{31.0f, 12.2f, 17.0f, 2.5f, 1.6f};
  Shape name = Word("Orvane", 52.0f, lettering);
  c.FillSoft([=](float x, float y) { return name(x - 0.6f, y - 1.2f); }, Solid(Hex(0x0B2A55, 0.55f)), 1.8f);
  c.Fill(name, Solid(kWhite));

  if (band.buttons) {
    Colour glyph = Hex(0xFFFFFF, 0.92f);
    DrawMinimiseGlyph(c, kMinimiseX, kMinimiseWidth, glyph);
    DrawExitGlyph(c, kExitX, kExitWidth, glyph);
  }
  return c;
}

// The highlighted button: the band underneath, a lit tab and the glyph.
Canvas DrawHighlight(const Canvas& band, int x, int width, bool exit) {
  Canvas c = band.Crop(x, 0, width, kButtonHeight);
  Shape tab = HangingTab(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(kButtonHeight), 4.0f);
  if (exit) {
    c.Fill(tab, Vertical(0, Hex(0xE65454), kButtonHeight, Hex(0xC62F2F)));
    DrawExitGlyph(c, 0, static_cast<float>(width), kWhite);
  } else {
    c.Fill(tab, Solid(Hex(0xFFFFFF, 0.24f)));
    DrawMinimiseGlyph(c, 0, static_cast<float>(width), kWhite);
  }
  return c;
}

// A side border: the frame colour with a light outer and a dark inner edge.
Canvas DrawSideBorder(bool left) {
  Canvas c(8, 335);
  c.Fill(Everywhere(), Horizontal(0, left ? kFrame : Mix(kFrame, kFrameLight, 0.35f), 8,
                                  left ? Mix(kFrame, kFrameLight, 0.35f) : kFrame));
  float inner = left ? 7 : 0;
  c.Fill(Columns(inner, inner + 1), Solid(kFrameEdge));
  float outer = left ? 0 : 7;
  c.Fill(Columns(outer, outer + 1), Solid(Hex(0x143A6C, 0.5f)));
  return c;
}

Canvas DrawBottomBorder(int width) {
  Canvas c(width, 8);
  float w = static_cast<float>(width);
  c.Fill(Everywhere(), Vertical(0, Mix(kFrame, kFrameLight, 0.35f), 8, kFrame));
  c.Fill(Rows(0, 1), Solid(kFrameEdge));
  c.Fill(Rows(7, 8), Solid(Hex(0x143A6C, 0.5f)));
  c.Fill(Columns(0, 1), Solid(Hex(0x143A6C, 0.5f)));
  c.Fill(Columns(w - 1, w), Solid(Hex(0x143A6C, 0.5f)));
  return c;
}

// ---------------------------------------------------------------------------
// File formats

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(v & 0xFF);
  out->push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// 24-bit bottom-up bitmap; the canvas is laid over the body colour.
std::vector<uint8_t> EncodeBmp(const Canvas& c) {
  uint32_t row = (uint32_t(c.width()) * 3 + 3) & ~3u;
  uint32_t image = row * c.height();
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(&out, 14 + 40 + image);
  Put32(&out, 0);
  Put32(&out, 14 + 40);
  Put32(&out, 40);
  Put32(&out, c.width());
  Put32(&out, c.height());
  Put16(&out, 1);
  Put16(&out, 24);
  Put32(&out, 0);
  Put32(&out, image);
  Put32(&out, 2835);
  Put32(&out, 2835);
  Put32(&out, 0);
  Put32(&out, 0);
  for (int y = c.height() - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < c.width(); ++x) {
      const Colour& p = c.At(x, y);
      float under = 1 - p.a;
      out.push_back(ToByte(p.b + kBody.b * under));
      out.push_back(ToByte(p.g + kBody.g * under));
      out.push_back(ToByte(p.r + kBody.r * under));
    }
    while (out.size() - start < row) out.push_back(0);
  }
  return out;
}

// One icon image: 32-bit colour with straight alpha plus the 1-bit mask.
std::vector<uint8_t> EncodeIconImage(const Canvas& c) {
  int size = c.width();
  uint32_t mask_row = ((uint32_t(size) + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(&out, 40);
  Put32(&out, size);
  Put32(&out, size * 2);
  Put16(&out, 1);
  Put16(&out, 32);
  Put32(&out, 0);
  Put32(&out, size * size * 4 + mask_row * size);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const Colour& p = c.At(x, y);
      uint8_t alpha = ToByte(p.a);
      float un = alpha ? p.a : 1.0f;
      out.push_back(alpha ? ToByte(p.b / un) : 0);
      out.push_back(alpha ? ToByte(p.g / un) : 0);
      out.push_back(alpha ? ToByte(p.r / un) : 0);
      out.push_back(alpha);
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> bits(mask_row, 0);
    for (int x = 0; x < size; ++x) {
      if (ToByte(c.At(x, y).a) == 0) bits[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    out.insert(out.end(), bits.begin(), bits.end());
  }
  return out;
}

std::vector<uint8_t> EncodeIcon(const std::vector<Canvas>& images) {
  std::vector<std::vector<uint8_t>> encoded;
  for (const Canvas& image : images) encoded.push_back(EncodeIconImage(image));
  std::vector<uint8_t> out;
  Put16(&out, 0);
  Put16(&out, 1);
  Put16(&out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    int size = images[i].width();
    out.push_back(size >= 256 ? 0 : static_cast<uint8_t>(size));
    out.push_back(size >= 256 ? 0 : static_cast<uint8_t>(size));
    out.push_back(0);
    out.push_back(0);
    Put16(&out, 1);
    Put16(&out, 32);
    Put32(&out, static_cast<uint32_t>(encoded[i].size()));
    Put32(&out, offset);
    offset += static_cast<uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

using IconArt = void (*)(Canvas&, float);

void DrawProductIcon(Canvas& c, float size) { DrawProduct(c, size); }
void DrawFolderIcon(Canvas& c, float size) { DrawFolder(c, size); }

std::vector<uint8_t> RenderIcon(IconArt art, const std::vector<int>& sizes) {
  std::vector<Canvas> images;
  for (int size : sizes) {
    Canvas c(size, size);
    art(c, static_cast<float>(size));
    images.push_back(c);
  }
  return EncodeIcon(images);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resgen <output folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';

  Canvas main_band = DrawTitleBand({511, true});
  Canvas command_band = DrawTitleBand({431, false});
  struct Output {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Output> outputs;
  outputs.push_back({"TIL.bmp", EncodeBmp(main_band)});
  outputs.push_back({"TILcmd.bmp", EncodeBmp(command_band)});
  outputs.push_back({"RLI.bmp", EncodeBmp(DrawSideBorder(true))});
  outputs.push_back({"RRE.bmp", EncodeBmp(DrawSideBorder(false))});
  outputs.push_back({"RUT.bmp", EncodeBmp(DrawBottomBorder(511))});
  outputs.push_back({"RUTcmd.bmp", EncodeBmp(DrawBottomBorder(432))});
  outputs.push_back({"MINHO.bmp", EncodeBmp(DrawHighlight(main_band, kMinimiseX, kMinimiseWidth, false))});
  outputs.push_back({"EXTHO.bmp", EncodeBmp(DrawHighlight(main_band, kExitX, kExitWidth, true))});
  outputs.push_back({"product.ico", RenderIcon(DrawProductIcon, {16, 24, 32, 48, 64})});
  outputs.push_back({"disk.ico", RenderIcon(DrawDisk, {16, 32, 48, 60})});
  outputs.push_back({"folder.ico", RenderIcon(DrawFolderIcon, {16, 32, 48, 55})});
  outputs.push_back({"information.ico", RenderIcon(DrawInformation, {16, 18, 24, 32})});
  outputs.push_back({"browse.ico", RenderIcon(DrawBrowse, {16, 24, 29, 32})});
  outputs.push_back({"warning.ico", RenderIcon(DrawWarning, {32, 48, 64, 82})});

  int failures = 0;
  for (const Output& output : outputs) {
    if (!WriteBytes(folder + output.name, output.bytes)) {
      std::fprintf(stderr, "resgen: cannot write %s%s\n", folder.c_str(), output.name);
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
