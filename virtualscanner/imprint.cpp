// The print jobs on a document's images: the batch print and the virtual
// endorsement, in the library's font, turned and bold as asked.
#include "virtualscanner/imprint.h"

#include <algorithm>
#include <string>
#include <vector>

#include "virtualscanner/font.h"
#include "virtualscanner/virtual_scanner.h"

namespace vs {

namespace {

constexpr int kInk = 0;

// The bytes of each line of a job's text: a line feed (after an optional
// carriage return) ends a line.
std::vector<std::string> TextLines(const std::string &text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      if (!lines.back().empty() && lines.back().back() == '\r') {
        lines.back().pop_back();
      }
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// Prints a job's text with its box's top left at (x, y): lines one under
// the other, each dot a scale x scale square, a bold dot struck again
// half a dot to the right, the box turned clockwise by the direction.
// Only pixels inside the page are set.
void PrintText(Image &page, const PrintJob &job, int x, int y) {
  const std::vector<std::string> lines = TextLines(job.text);
  const int scale = job.scale, bold = job.bold ? (scale + 1) / 2 : 0;
  int width = 0;
  for (const std::string &line : lines) {
    width = std::max(width, font::TextWidth(line, scale) + bold);
  }
  const int height = ((static_cast<int>(lines.size()) - 1) * font::kLineHeight +
                      font::kGlyphHeight) *
                     scale;
  const auto ink = [&](int u, int v) { // (u, v) in the unturned box
    switch (job.direction) {
    case 90:
      page.Set(x + height - 1 - v, y + u, kInk);
      break;
    case 180:
      page.Set(x + width - 1 - u, y + height - 1 - v, kInk);
      break;
    case 270:
      page.Set(x + v, y + width - 1 - u, kInk);
      break;
    default:
      page.Set(x + u, y + v, kInk);
      break;
    }
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int top = static_cast<int>(i) * font::kLineHeight * scale;
    font::ForEachDot(lines[i], scale, [&](int u, int v) {
      ink(u, top + v);
      if (bold != 0) {
        ink(u + bold, top + v);
      }
    });
  }
}

} // namespace

void DrawJob(Image &page, const PrintJob &job, bool endorsement, Side side,
             Kind kind) {
  const int kindBit = kind == Kind::kBilevel ? MIRB_VS_IMAGES_BILEVEL
                      : kind == Kind::kGray  ? MIRB_VS_IMAGES_GRAY
                      : kind == Kind::kUv    ? MIRB_VS_IMAGES_UV
                                             : MIRB_VS_IMAGES_LONG;
  const int unwanted =
      side == Side::kFront ? MIRB_VS_SIDE_BACK : MIRB_VS_SIDE_FRONT;
  if (job.text.empty() || job.sides == unwanted || (job.kinds & kindBit) == 0) {
    return;
  }
  int x = MIRB_VS_PRINT_X, y = MIRB_VS_PRINT_Y;
  if (endorsement && side == Side::kBack) {
    x = MIRB_VS_ENDORSE_BACK_X;
    y = MIRB_VS_ENDORSE_BACK_Y;
  } else if (endorsement) {
    x = kind == Kind::kLong ? MIRB_VS_ENDORSE_LONG_X : MIRB_VS_ENDORSE_X;
    y = MIRB_VS_ENDORSE_Y;
  }
  PrintText(page, job, job.x != 0 ? job.x : x, job.y != 0 ? job.y : y);
}

} // namespace vs
