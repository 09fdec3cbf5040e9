// The scanner's own bitmap font: printable ASCII (0x20 to 0x7E) and the
// four code-line symbols, 5 x 7 dots in a 6 x 9 cell, drawn at any whole
// scale. The check renderer and the endorsements print with it.
#ifndef QELSCANNER_VIRTUALSCANNER_FONT_H
#define QELSCANNER_VIRTUALSCANNER_FONT_H

#include <cstdint>
#include <string>

namespace vs {

struct Image;

namespace font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6;    // one dot of space after each glyph
constexpr int kLineHeight = 9; // two dots between lines

// The code-line symbols sit behind ASCII, so a drawn text holds them as
// single bytes.
constexpr unsigned char kTransit = 0x80;
constexpr unsigned char kOnUs = 0x81;
constexpr unsigned char kAmount = 0x82;
constexpr unsigned char kDash = 0x83;

// The seven rows of a glyph, bit 4 the leftmost dot; null when the font
// has no glyph for c.
const std::uint8_t *Glyph(unsigned char c);

// A code line in its text form ('T' transit, 'U' on-us, '$' amount, '-'
// dash) with those four turned into the symbol bytes.
std::string CodeLineSymbols(const std::string &codeLine);

// Width in dots of text drawn at scale (the last glyph's spacing left out).
int TextWidth(const std::string &text, int scale);

// Calls dot(u, v) for every pixel of ink of text drawn at scale with its
// top left corner at (0, 0): each dot of a glyph a scale x scale square,
// a byte without a glyph as '?'. Every text the library prints is drawn
// through this one loop.
template <typename Dot>
void ForEachDot(const std::string &text, int scale, Dot dot) {
  int left = 0;
  for (unsigned char c : text) {
    const std::uint8_t *rows = Glyph(c);
    if (rows == nullptr) {
      rows = Glyph('?');
    }
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if ((rows[row] & (0x10 >> col)) == 0) {
          continue;
        }
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) {
            dot(left + col * scale + dx, row * scale + dy);
          }
        }
      }
    }
    left += kAdvance * scale;
  }
}

// Draws text with its top left corner at (x, y), each dot a scale x scale
// square of ink, clipped to the image; a byte without a glyph draws as
// '?'. Returns the x where a following text would start.
int DrawString(Image &image, int x, int y, const std::string &text, int scale,
               int ink);

} // namespace font
} // namespace vs

#endif
