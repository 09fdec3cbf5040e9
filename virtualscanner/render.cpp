// The pictures of a document. Every side is drawn once at 200 dpi in
// gray; bilevel images take it as it is, gray and UV images average each
// 2 x 2 square down to 100 dpi, which keeps small text readable. UV images
// also draw what glows (fibres, the seal) at 200 dpi, apart from the ink.
#include "virtualscanner/render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "virtualscanner/hopper.h"
#include "virtualscanner/font.h"
#include "virtualscanner/image.h"
#include "virtualscanner/virtual_scanner.h"
#include "virtualscanner/amounts.h"

namespace vs {

namespace {

constexpr int kDpi = 200;
constexpr int kWidth = 1200; // 6 inches; a long document is twice as wide
constexpr int kHeight = 550; // 2.75 inches
constexpr int kInk = 0;

void FillRect(Image &image, int x0, int y0, int x1, int y1, int value) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      image.Set(x, y, value);
    }
  }
}

void Frame(Image &image, int x0, int y0, int x1, int y1, int thick) {
  FillRect(image, x0, y0, x1, y0 + thick, kInk);
  FillRect(image, x0, y1 - thick, x1, y1, kInk);
  FillRect(image, x0, y0, x0 + thick, y1, kInk);
  FillRect(image, x1 - thick, y0, x1, y1, kInk);
}

// A pen stroke from one point to the next, thick dots apart.
void Stroke(Image &image, double x0, double y0, double x1, double y1, int thick,
            int value = kInk) {
  const int steps = static_cast<int>(std::ceil(
                        std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) +
                    1;
  for (int i = 0; i <= steps; ++i) {
    const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * i / steps));
    const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * i / steps));
    FillRect(image, x - thick / 2, y - thick / 2, x - thick / 2 + thick,
             y - thick / 2 + thick, value);
  }
}

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
    int left = 0;
    for (unsigned char c : lines[i]) {
      const std::uint8_t *rows = font::Glyph(c);
      if (rows == nullptr) {
        rows = font::Glyph('?');
      }
      for (int row = 0; row < font::kGlyphHeight; ++row) {
        for (int col = 0; col < font::kGlyphWidth; ++col) {
          if ((rows[row] & (0x10 >> col)) == 0) {
            continue;
          }
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) {
              ink(left + col * scale + dx, top + row * scale + dy);
              if (bold != 0) {
                ink(left + col * scale + dx + bold, top + row * scale + dy);
              }
            }
          }
        }
      }
      left += font::kAdvance * scale;
    }
  }
}

// Draws a job onto the side it was meant for, when it is meant for this
// kind of image. x or y 0 takes the default: a batch print in the
// endorsement box, a virtual endorsement across the top of the front
// (voucher or check) or on the back below where a batch print goes.
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

// The scale, from scale down to 1, at which text fits into width.
int FitScale(const std::string &text, int scale, int width) {
  while (scale > 1 && font::TextWidth(text, scale) > width) {
    --scale;
  }
  return scale;
}

// Draws text from x with its foot on bottom, smaller than scale when it
// would not fit into width, and cut at width even at the smallest.
void DrawFitted(Image &page, int x, int bottom, std::string text, int scale,
                int width) {
  scale = FitScale(text, scale, width);
  if (font::TextWidth(text, scale) > width) {
    text.resize(static_cast<std::size_t>(std::max(0, width + 1)) /
                font::kAdvance);
  }
  font::DrawString(page, x, bottom - font::kGlyphHeight * scale, text, scale,
                   kInk);
}

// The amount in the box, in figures; empty when there is none.
std::string AmountText(const Document &doc) {
  const std::optional<long long> cents = CourtesyAmount(doc);
  return cents ? AmountInFigures(*cents) : std::string();
}

// The serial of a leading auxiliary on-us field ("U001234U ...").
std::string CheckNumber(const std::string &codeLine) {
  if (codeLine.empty() || codeLine[0] != 'U') {
    return {};
  }
  const std::size_t close = codeLine.find('U', 1);
  if (close == std::string::npos || close == 1) {
    return {};
  }
  const std::string serial = codeLine.substr(1, close - 1);
  return serial.find_first_not_of("0123456789") == std::string::npos
             ? serial
             : std::string();
}

// The drawer's name and address (up to four lines), top left.
void DrawHolder(Image &page, const CheckFields &fields) {
  constexpr int kRoom = 740; // short of the date and the check number
  DrawFitted(page, 32, 53, fields.drawer, 3, kRoom);
  std::size_t start = 0;
  for (int bottom = 76; bottom <= 136; bottom += 20) {
    const std::size_t end = fields.address.find('|', start);
    DrawFitted(page, 32, bottom, fields.address.substr(start, end - start), 2,
               kRoom);
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
}

// The check number top right and the date line under it.
void DrawNumberAndDate(Image &page, const Document &doc) {
  const int w = page.width;
  if (const std::string number = CheckNumber(doc.codeLine); !number.empty()) {
    const std::string text = "No. " + number;
    font::DrawString(page, w - 40 - font::TextWidth(text, 3), 32, text, 3,
                     kInk);
  }
  font::DrawString(page, w - 400, 100, "DATE", 2, kInk);
  DrawFitted(page, w - 320, 113, doc.fields.date, 3, 260);
  FillRect(page, w - 330, 118, w - 60, 120, kInk);
}

// Payee line from x, the amount box at the right edge and the dollars
// line under them.
void DrawPayment(Image &page, const Document &doc, int x) {
  const int w = page.width;
  font::DrawString(page, x, 160, "PAY TO THE", 2, kInk);
  font::DrawString(page, x, 178, "ORDER OF", 2, kInk);
  DrawFitted(page, x + 128, 195, doc.fields.payee, 3, w - 340 - (x + 128));
  FillRect(page, x + 118, 198, w - 330, 200, kInk);

  Frame(page, w - 300, 160, w - 40, 212, 2);
  font::DrawString(page, w - 290, 176, "$", 3, kInk);
  const std::string amount = AmountText(doc);
  const int scale = FitScale(amount, 3, 216);
  DrawFitted(page, w - 52 - font::TextWidth(amount, scale), 197, amount, scale,
             216);
  // The legal amount: as given, or written out from the amount in the box.
  const std::optional<long long> cents = CourtesyAmount(doc);
  const std::string words = doc.fields.words ? *doc.fields.words
                            : cents          ? AmountInWords(*cents)
                                             : std::string();
  DrawFitted(page, x + 8, 256, words, 2, w - 196 - x);
  FillRect(page, x, 260, w - 180, 262, kInk);
  font::DrawString(page, w - 170, 250, "DOLLARS", 2, kInk);
}

// The bank's name, the memo line from x and the signature at the right.
void DrawBankMemoSignature(Image &page, const CheckFields &fields, int x) {
  const int w = page.width;
  DrawFitted(page, x, 324, fields.bank, 2, 500);
  font::DrawString(page, x, 412, "MEMO", 2, kInk);
  DrawFitted(page, x + 76, 422, fields.memo, 2, 404);
  FillRect(page, x + 68, 426, x + 488, 428, kInk);

  // The signature: a pen stroke above its line.
  FillRect(page, w - 520, 426, w - 60, 428, kInk);
  // Loops come from a sideways swing faster than the pen moves on.
  const double x0 = w - 500, length = 380;
  double px = x0, py = 405;
  for (int i = 1; i <= 400; ++i) {
    const double t = i / 400.0;
    const double sx = x0 + length * t + 12 * std::sin(t * 55);
    const double sy =
        405 - 16 * std::cos(t * 55) * (1 - 0.5 * t) - 8 * std::sin(t * 9);
    Stroke(page, px, py, sx, sy, 3);
    px = sx;
    py = sy;
  }
}

// The code line in the clear band along the bottom edge, ending where
// the amount field ends on a real check; smaller if it would not fit.
void DrawCodeLine(Image &page, const Document &doc) {
  const std::string symbols = font::CodeLineSymbols(doc.codeLine);
  const int right = page.width - 62, left = 24;
  int scale = 3;
  while (scale > 1 && font::TextWidth(symbols, scale) > right - left) {
    --scale;
  }
  const int x = std::max(left, right - font::TextWidth(symbols, scale));
  font::DrawString(page, x, page.height - 37 - font::kGlyphHeight * scale / 2,
                   symbols, scale, kInk);
}

void DrawFront(Image &page, const Document &doc) {
  DrawHolder(page, doc.fields);
  DrawNumberAndDate(page, doc);
  DrawPayment(page, doc, 32);
  DrawBankMemoSignature(page, doc.fields, 32);
  DrawCodeLine(page, doc);
}

// A long document is a payment voucher: the remittance details in a
// table on the left, the payment fields of a check on the right, one code
// line along the bottom.
void DrawVoucher(Image &page, const Document &doc) {
  const int w = page.width;
  DrawHolder(page, doc.fields);
  const std::string title = "PAYMENT VOUCHER";
  font::DrawString(page, (w - font::TextWidth(title, 4)) / 2, 32, title, 4,
                   kInk);
  DrawNumberAndDate(page, doc);

  const int left = 32, right = w / 2 - 40, top = 140, bottom = 420;
  const int columns[] = {left, 282, 462,
                         942}; // invoice, date, description, amount
  Frame(page, left, top, right, bottom, 2);
  for (int i = 1; i < 4; ++i) {
    FillRect(page, columns[i], top, columns[i] + 2, bottom, kInk);
  }
  FillRect(page, left, 182, right, 184, kInk);
  for (int y : {242, 302, 362}) {
    FillRect(page, left, y, right, y + 1, kInk);
  }
  const char *headings[] = {"INVOICE", "DATE", "DESCRIPTION", "AMOUNT"};
  for (int i = 0; i < 4; ++i) {
    font::DrawString(page, columns[i] + 14, 154, headings[i], 2, kInk);
  }
  const std::string number = CheckNumber(doc.codeLine);
  font::DrawString(page, columns[0] + 14, 205,
                   "INV-" + (number.empty() ? "0001" : number), 2, kInk);
  font::DrawString(page, columns[1] + 14, 205, "01/15/2016", 2, kInk);
  font::DrawString(page, columns[2] + 14, 205, "SERVICES", 2, kInk);
  font::DrawString(page, columns[2] + 14, 384, "TOTAL", 2, kInk);
  if (const std::string amount = AmountText(doc); !amount.empty()) {
    for (int y : {205, 384}) {
      font::DrawString(page, right - 14 - font::TextWidth(amount, 2), y, amount,
                       2, kInk);
    }
  }

  DrawPayment(page, doc, w / 2 + 20);
  DrawBankMemoSignature(page, doc.fields, w / 2 + 20);
  DrawCodeLine(page, doc);
}

void DrawBack(Image &page) {
  // The endorsement area; a batch print goes into its box.
  font::DrawString(page, 40, 34, "ENDORSE HERE", 2, kInk);
  Frame(page, 30, 60, 590, 270, 3);
  for (int y : {130, 190, 250}) {
    FillRect(page, 44, y, 576, y + 1, kInk);
  }
  font::DrawString(page, 40, 284,
                   "DO NOT WRITE, STAMP, OR SIGN BELOW THIS LINE", 2, kInk);
}

// What glows under UV light. Ordinary ink does not; the paper's security
// fibres and the bank's invisible seal do. Values are 0 (no glow) to 255.

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
  Image text =
      Image::Blank(font::TextWidth("UV", 6), font::kGlyphHeight * 6, 8, kDpi);
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

int Average(const Image &image, int x, int y) {
  return (image.Gray(2 * x, 2 * y) + image.Gray(2 * x + 1, 2 * y) +
          image.Gray(2 * x, 2 * y + 1) + image.Gray(2 * x + 1, 2 * y + 1)) /
         4;
}

} // namespace

Image PageFromPicture(const Image &picture) {
  Image page = Image::Blank(kWidth, kHeight, 8, kDpi);
  // The largest size of the picture's shape that fits, centred; each pixel
  // the average of the picture's pixels it covers.
  const double fit = std::min(static_cast<double>(kWidth) / picture.width,
                              static_cast<double>(kHeight) / picture.height);
  const int w =
      std::clamp(static_cast<int>(std::lround(picture.width * fit)), 1, kWidth);
  const int h = std::clamp(static_cast<int>(std::lround(picture.height * fit)),
                           1, kHeight);
  const auto span = [](int i, int from, int to) { // [first, last) of from
    const int first = static_cast<int>(static_cast<long long>(i) * from / to);
    const int last =
        static_cast<int>(static_cast<long long>(i + 1) * from / to);
    return std::pair{first, std::max(first + 1, last)};
  };
  for (int y = 0; y < h; ++y) {
    const auto [y0, y1] = span(y, picture.height, h);
    for (int x = 0; x < w; ++x) {
      const auto [x0, x1] = span(x, picture.width, w);
      long long sum = 0;
      for (int v = y0; v < y1; ++v) {
        for (int u = x0; u < x1; ++u) {
          sum += picture.Gray(u, v);
        }
      }
      page.Set((kWidth - w) / 2 + x, (kHeight - h) / 2 + y,
               static_cast<int>(sum /
                                (static_cast<long long>(y1 - y0) * (x1 - x0))));
    }
  }
  return page;
}

Image RenderDocument(const Document &doc, Side side, Kind kind) {
  const int width = kind == Kind::kLong ? 2 * kWidth : kWidth;
  // A picture named in the hopper replaces the drawn side of the check
  // images; UV and long-document images stay drawn.
  const std::shared_ptr<const Image> &own =
      side == Side::kFront ? doc.fields.front : doc.fields.back;
  const bool picture =
      own != nullptr && (kind == Kind::kBilevel || kind == Kind::kGray);
  Image page = picture ? *own : Image::Blank(width, kHeight, 8, kDpi);
  if (!picture) {
    Frame(page, 8, 8, width - 8, kHeight - 8, 3);
    if (side == Side::kBack) {
      DrawBack(page);
    } else if (kind == Kind::kLong) {
      DrawVoucher(page, doc);
    } else {
      DrawFront(page, doc);
    }
  }
  // Printed over whatever is there, as an endorser's ink would be.
  DrawJob(page, doc.printed, false, side, kind);
  DrawJob(page, doc.endorsement, true, side, kind);

  if (kind == Kind::kBilevel || kind == Kind::kLong) {
    Image bilevel = Image::Blank(width, kHeight, 1, kDpi);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < width; ++x) {
        if (page.Gray(x, y) < 128) {
          bilevel.Set(x, y, 0);
        }
      }
    }
    return bilevel;
  }
  Image glow;
  if (kind == Kind::kUv) {
    glow = Image::Blank(width, kHeight, 8, kDpi);
    std::fill(glow.data.begin(), glow.data.end(), std::uint8_t{0});
    DrawFibres(glow, doc.codeLine);
    if (side == Side::kFront) {
      DrawUvSeal(glow);
    }
  }
  Image gray = Image::Blank(width / 2, kHeight / 2, 8, kDpi / 2);
  for (int y = 0; y < gray.height; ++y) {
    for (int x = 0; x < gray.width; ++x) {
      const int ink = 255 - Average(page, x, y); // 0 paper .. 255 full ink
      if (kind == Kind::kGray) {
        // Gray paper is shaded a little from left to right; a picture
        // keeps its own grays.
        const int paper = picture ? 255 : 200 + (x * 55) / gray.width;
        gray.Set(x, y, paper - ink * paper / 255);
        continue;
      }
      // UV paper is dull, a little brighter where the lamp is nearer;
      // what glows lights it up, and ink over anything swallows most of
      // the light.
      const int paper = 40 + (x * 24) / gray.width;
      const int light = paper + Average(glow, x, y) * (255 - paper) / 255;
      gray.Set(x, y, light - ink * (light - 10) * 85 / (255 * 100));
    }
  }
  return gray;
}

} // namespace vs
