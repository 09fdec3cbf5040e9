// A side is drawn once at 200 dpi in gray, or is the hopper's picture;
// the print jobs go over it. Bilevel images take it as it is, gray and UV
// images average each 2 x 2 square down to 100 dpi, which keeps small
// text readable.
#include "virtualscanner/render.h"

#include <memory>

#include "virtualscanner/check_drawing.h"
#include "virtualscanner/imprint.h"
#include "virtualscanner/uv_glow.h"

namespace vs {

Image RenderDocument(const Document &doc, Side side, Kind kind) {
  const int width = kind == Kind::kLong ? 2 * kCheckWidth : kCheckWidth;
  // A picture named in the hopper replaces the drawn side of the check
  // images; UV and long-document images stay drawn.
  const std::shared_ptr<const Image> &own =
      side == Side::kFront ? doc.fields.front : doc.fields.back;
  const bool picture =
      own != nullptr && (kind == Kind::kBilevel || kind == Kind::kGray);
  Image page =
      picture ? *own : Image::Blank(width, kCheckHeight, 8, kDrawingDpi);
  if (!picture) {
    if (side == Side::kBack) {
      DrawCheckBack(page);
    } else if (kind == Kind::kLong) {
      DrawVoucher(page, doc);
    } else {
      DrawCheckFront(page, doc);
    }
  }
  // Printed over whatever is there, as an endorser's ink would be.
  DrawJob(page, doc.printed, false, side, kind);
  DrawJob(page, doc.endorsement, true, side, kind);

  if (kind == Kind::kBilevel || kind == Kind::kLong) {
    Image bilevel = Image::Blank(width, kCheckHeight, 1, kDrawingDpi);
    for (int y = 0; y < kCheckHeight; ++y) {
      for (int x = 0; x < width; ++x) {
        if (page.Gray(x, y) < 128) {
          bilevel.Set(x, y, 0);
        }
      }
    }
    return bilevel;
  }
  if (kind == Kind::kUv) {
    return UvImage(page, doc.codeLine, side == Side::kFront);
  }
  Image gray = Image::Blank(width / 2, kCheckHeight / 2, 8, kDrawingDpi / 2);
  for (int y = 0; y < gray.height; ++y) {
    for (int x = 0; x < gray.width; ++x) {
      // Gray paper is shaded a little from left to right; a picture keeps
      // its own grays.
      const int ink = 255 - Average2x2(page, x, y); // 0 paper .. 255 full ink
      const int paper = picture ? 255 : 200 + (x * 55) / gray.width;
      gray.Set(x, y, paper - ink * paper / 255);
    }
  }
  return gray;
}

} // namespace vs
