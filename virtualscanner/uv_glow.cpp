// What glows under UV light: ordinary ink does not; the paper's security
// fibres and the bank's invisible seal do. Glow values are 0 (none) to 255.
#include "virtualscanner/uv_glow.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "virtualscanner/font.h"

namespace vs {

namespace {

constexpr int kInk = 0;

// A small generator of our own, so a document's fibres are the same on
// every platform and with every standard library.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() { // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Unit() {
    return static_cast<double>(Next() >> 11) / 9007199254740992.0;
  }
  int Below(int n) {
    return static_cast<int>(Next() % static_cast<std::uint64_t>(n));
  }

private:
  std::uint64_t state_;
};

// FNV-1a: every document's fibres follow from its code line.
std::uint64_t SeedOf(const std::string &text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

void Brighten(Image &glow, int x, int y, int value) {
  if (x >= 0 && y >= 0 && x < glow.width && y < glow.height &&
      glow.Gray(x, y) < value) {
    glow.Set(x, y, value);
  }
}

// Short curved strands of varied brightness scattered over the paper.
void DrawFibres(Image &glow, const std::string &codeLine) {
  constexpr double kPi = 3.14159265358979323846;
  Random random(SeedOf(codeLine));
  const int count = 80 + random.Below(40);
  for (int i = 0; i < count; ++i) {
    double x = random.Unit() * glow.width, y = random.Unit() * glow.height;
    double angle = random.Unit() * 2 * kPi;
    const double bend = (random.Unit() - 0.5) * 0.16; // radians a dot
    const int length = 12 + random.Below(32);
    const int value = 100 + random.Below(140);
    const int thick = random.Below(4) == 0 ? 3 : 2;
    for (int step = 0; step < length; ++step) {
      const int px = static_cast<int>(std::lround(x));
      const int py = static_cast<int>(std::lround(y));
      for (int dy = 0; dy < thick; ++dy) {
        for (int dx = 0; dx < thick; ++dx) {
          Brighten(glow, px + dx, py + dy, value);
        }
      }
      x += std::cos(angle);
      y += std::sin(angle);
      angle += bend;
    }
  }
}

void Ring(Image &glow, int cx, int cy, int inner, int outer, int value) {
  for (int y = cy - outer; y <= cy + outer; ++y) {
    for (int x = cx - outer; x <= cx + outer; ++x) {
      const int d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d >= inner * inner && d <= outer * outer) {
        Brighten(glow, x, y, value);
      }
    }
  }
}

// The bank's seal, printed in ink that only shows under UV: two rings,
// a circle of dots and "UV" in the middle, where the front has no print.
void DrawUvSeal(Image &glow) {
  constexpr double kPi = 3.14159265358979323846;
  constexpr int kGlow = 235;
  const int cx = 2 * kUvSealX, cy = 2 * kUvSealY, r = 2 * kUvSealRadius;
  Ring(glow, cx, cy, r - 6, r, kGlow);
  Ring(glow, cx, cy, r - 17, r - 14, kGlow);
  for (int i = 0; i < 16; ++i) {
    const double a = i * kPi / 8;
    Ring(glow, cx + static_cast<int>(std::lround((r - 10) * std::cos(a))),
         cy + static_cast<int>(std::lround((r - 10) * std::sin(a))), 0, 2,
         kGlow);
  }
  Image text = Image::Blank(font::TextWidth("UV", 6), font::kGlyphHeight * 6, 8,
                            glow.dpi);
  font::DrawString(text, 0, 0, "UV", 6, kInk);
  for (int y = 0; y < text.height; ++y) {
    for (int x = 0; x < text.width; ++x) {
      if (text.Gray(x, y) == kInk) {
        Brighten(glow, cx - text.width / 2 + x, cy - text.height / 2 + y,
                 kGlow);
      }
    }
  }
}

} // namespace

Image UvImage(const Image &page, const std::string &codeLine, bool seal) {
  Image glow = Image::Blank(page.width, page.height, 8, page.dpi);
  std::fill(glow.data.begin(), glow.data.end(), std::uint8_t{0});
  DrawFibres(glow, codeLine);
  if (seal) {
    DrawUvSeal(glow);
  }
  Image uv = Image::Blank(page.width / 2, page.height / 2, 8, page.dpi / 2);
  for (int y = 0; y < uv.height; ++y) {
    for (int x = 0; x < uv.width; ++x) {
      // UV paper is dull, a little brighter where the lamp is nearer;
      // what glows lights it up, and ink over anything swallows most of
      // the light.
      const int ink = 255 - Average2x2(page, x, y); // 0 paper .. 255 full ink
      const int paper = 40 + (x * 24) / uv.width;
      const int light = paper + Average2x2(glow, x, y) * (255 - paper) / 255;
      uv.Set(x, y, light - ink * (light - 10) * 85 / (255 * 100));
    }
  }
  return uv;
}

} // namespace vs
