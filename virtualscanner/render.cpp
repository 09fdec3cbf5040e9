// The pictures of a document. Every side is drawn once at 200 dpi in
// gray; bilevel images take it as it is, gray and UV images average each
// 2 x 2 square down to 100 dpi, which keeps small text readable.
#include <cmath>

#include "virtualscanner/font.h"
#include "virtualscanner/image.h"

namespace vs {

namespace {

constexpr int kDpi = 200;
constexpr int kWidth = 1200; // 6 inches; a long document is twice as wide
constexpr int kHeight = 550; // 2.75 inches
constexpr int kInk = 0;

void fillRect(Image &image, int x0, int y0, int x1, int y1, int value) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      image.set(x, y, value);
}

void frame(Image &image, int x0, int y0, int x1, int y1, int thick) {
  fillRect(image, x0, y0, x1, y0 + thick, kInk);
  fillRect(image, x0, y1 - thick, x1, y1, kInk);
  fillRect(image, x0, y0, x0 + thick, y1, kInk);
  fillRect(image, x1 - thick, y0, x1, y1, kInk);
}

// A pen stroke from one point to the next, thick dots apart.
void stroke(Image &image, double x0, double y0, double x1, double y1, int thick) {
  const int steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0),
                                                        std::fabs(y1 - y0)))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * i / steps));
    const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * i / steps));
    fillRect(image, x - thick / 2, y - thick / 2, x - thick / 2 + thick,
             y - thick / 2 + thick, kInk);
  }
}

// Lines of at most perLine bytes, broken after a blank where one is near
// enough, else cut.
std::vector<std::string> wrap(const std::string &text, std::size_t perLine) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t n = std::min(perLine, text.size() - at);
    if (at + n < text.size()) {
      const std::size_t blank = text.rfind(' ', at + n);
      if (blank != std::string::npos && blank > at && blank - at >= perLine / 2)
        n = blank - at + 1;
    }
    lines.push_back(text.substr(at, n));
    at += n;
  }
  return lines;
}

// Text broken into lines of a box, at the largest scale up to maxScale at
// which it fits (else at scale 1, cut at the box); nothing is drawn
// outside the box.
void textInBox(Image &image, int x0, int y0, int x1, int y1,
               const std::string &text, int maxScale) {
  Image box = Image::blank(x1 - x0, y1 - y0, 8, image.dpi);
  std::vector<std::string> lines;
  int scale = maxScale;
  for (; scale >= 1; --scale) {
    const int perLine = std::max(1, (box.width + 1) / (font::kAdvance * scale));
    lines = wrap(text, static_cast<std::size_t>(perLine));
    if (static_cast<int>(lines.size()) * font::kLineHeight * scale <= box.height ||
        scale == 1)
      break;
  }
  int y = 0;
  for (const std::string &line : lines) {
    font::drawText(box, 0, y, line, scale, kInk);
    y += font::kLineHeight * scale;
  }
  for (int by = 0; by < box.height; ++by)
    for (int bx = 0; bx < box.width; ++bx)
      if (box.gray(bx, by) == kInk)
        image.set(x0 + bx, y0 + by, kInk);
}

// The amount field of a code line ("$0000012500$") as the drawer wrote
// it ("125.00"); empty when the code line has none.
std::string amountText(const std::string &codeLine) {
  const std::size_t open = codeLine.find('$');
  const std::size_t close =
      open == std::string::npos ? open : codeLine.find('$', open + 1);
  if (close == std::string::npos || close == open + 1)
    return {};
  std::string digits = codeLine.substr(open + 1, close - open - 1);
  for (char c : digits)
    if (c < '0' || c > '9')
      return {};
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  if (digits.size() < 3)
    digits.insert(0, 3 - digits.size(), '0');
  std::string dollars = digits.substr(0, digits.size() - 2);
  for (int at = static_cast<int>(dollars.size()) - 3; at > 0; at -= 3)
    dollars.insert(static_cast<std::size_t>(at), ",");
  return dollars + "." + digits.substr(digits.size() - 2);
}

// The serial of a leading auxiliary on-us field ("U001234U ...").
std::string checkNumber(const std::string &codeLine) {
  if (codeLine.empty() || codeLine[0] != 'U')
    return {};
  const std::size_t close = codeLine.find('U', 1);
  if (close == std::string::npos || close == 1)
    return {};
  const std::string serial = codeLine.substr(1, close - 1);
  return serial.find_first_not_of("0123456789") == std::string::npos ? serial
                                                                     : std::string();
}

void drawFront(Image &page, const Document &doc) {
  const int w = page.width, h = page.height;
  font::drawText(page, 32, 32, "ACCOUNT HOLDER", 3, kInk);
  font::drawText(page, 32, 62, "1 MAIN STREET", 2, kInk);
  font::drawText(page, 32, 82, "ANYTOWN", 2, kInk);
  if (const std::string number = checkNumber(doc.codeLine); !number.empty()) {
    const std::string text = "No. " + number;
    font::drawText(page, w - 40 - font::textWidth(text, 3), 32, text, 3, kInk);
  }
  if (!doc.endorsement.empty()) // a virtual endorsement across the top
    textInBox(page, 420, 30, w - 440, 88, doc.endorsement, 2);

  font::drawText(page, w - 400, 100, "DATE", 2, kInk);
  font::drawText(page, w - 320, 92, "01/27/2016", 3, kInk);
  fillRect(page, w - 330, 118, w - 60, 120, kInk);

  font::drawText(page, 32, 160, "PAY TO THE", 2, kInk);
  font::drawText(page, 32, 178, "ORDER OF", 2, kInk);
  font::drawText(page, 160, 174, "VIRTUAL PAYEE", 3, kInk);
  fillRect(page, 150, 198, w - 330, 200, kInk);

  frame(page, w - 300, 160, w - 40, 212, 2);
  font::drawText(page, w - 290, 176, "$", 3, kInk);
  if (const std::string amount = amountText(doc.codeLine); !amount.empty())
    font::drawText(page, w - 52 - font::textWidth(amount, 3), 176, amount, 3, kInk);
  fillRect(page, 32, 260, w - 180, 262, kInk);
  font::drawText(page, w - 170, 250, "DOLLARS", 2, kInk);

  font::drawText(page, 32, 310, "VIRTUAL BANK", 2, kInk);
  font::drawText(page, 32, 412, "MEMO", 2, kInk);
  fillRect(page, 100, 426, 520, 428, kInk);

  // The signature: a pen stroke above its line.
  fillRect(page, w - 520, 426, w - 60, 428, kInk);
  // Loops come from a sideways swing faster than the pen moves on.
  const double x0 = w - 500, length = 380;
  double px = x0, py = 405;
  for (int i = 1; i <= 400; ++i) {
    const double t = i / 400.0;
    const double x = x0 + length * t + 12 * std::sin(t * 55);
    const double y = 405 - 16 * std::cos(t * 55) * (1 - 0.5 * t) - 8 * std::sin(t * 9);
    stroke(page, px, py, x, y, 3);
    px = x;
    py = y;
  }

  // The code line in the clear band along the bottom edge, ending where
  // the amount field ends on a real check; smaller if it would not fit.
  const std::string symbols = font::codeLineSymbols(doc.codeLine);
  const int right = w - 62, left = 24;
  int scale = 3;
  while (scale > 1 && font::textWidth(symbols, scale) > right - left)
    --scale;
  const int x = std::max(left, right - font::textWidth(symbols, scale));
  font::drawText(page, x, h - 37 - font::kGlyphHeight * scale / 2, symbols, scale, kInk);
}

void drawBack(Image &page, const Document &doc) {
  // The endorsement area, with the batch print text when one was printed.
  font::drawText(page, 40, 34, "ENDORSE HERE", 2, kInk);
  frame(page, 30, 60, 590, 270, 3);
  for (int y : {130, 190, 250})
    fillRect(page, 44, y, 576, y + 1, kInk);
  font::drawText(page, 40, 284, "DO NOT WRITE, STAMP, OR SIGN BELOW THIS LINE", 2, kInk);
  if (!doc.printed.empty())
    textInBox(page, 40, 70, 580, 260, doc.printed, 3);
}

} // namespace

Image renderDocument(const Document &doc, Side side, Kind kind) {
  const int width = kind == Kind::Long ? 2 * kWidth : kWidth;
  Image page = Image::blank(width, kHeight, 8, kDpi);
  frame(page, 8, 8, width - 8, kHeight - 8, 3);
  if (side == Side::Front)
    drawFront(page, doc);
  else
    drawBack(page, doc);

  if (kind == Kind::Bilevel || kind == Kind::Long) {
    Image bilevel = Image::blank(width, kHeight, 1, kDpi);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < width; ++x)
        if (page.gray(x, y) < 128)
          bilevel.set(x, y, 0);
    return bilevel;
  }
  // Gray paper is shaded a little from left to right; UV paper glows dim
  // and the ink shows light.
  Image gray = Image::blank(width / 2, kHeight / 2, 8, kDpi / 2);
  for (int y = 0; y < gray.height; ++y)
    for (int x = 0; x < gray.width; ++x) {
      const int sum = page.gray(2 * x, 2 * y) + page.gray(2 * x + 1, 2 * y) +
                      page.gray(2 * x, 2 * y + 1) + page.gray(2 * x + 1, 2 * y + 1);
      const int ink = 255 - sum / 4; // 0 paper .. 255 full ink
      const int paper = 200 + (x * 55) / gray.width;
      gray.set(x, y, kind == Kind::UV ? 96 + ink * (255 - 96) / 255
                                      : paper - ink * paper / 255);
    }
  return gray;
}

} // namespace vs
