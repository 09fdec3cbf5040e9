// The drawn sides: every field in its place, in the library's font.
#include "virtualscanner/check_drawing.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "virtualscanner/font.h"

namespace vs {

namespace {

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

void Border(Image &page) {
  Frame(page, 8, 8, page.width - 8, page.height - 8, 3);
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
  const std::string &amount = doc.fields.amount;
  const int scale = FitScale(amount, 3, 216);
  DrawFitted(page, w - 52 - font::TextWidth(amount, scale), 197, amount, scale,
             216);
  DrawFitted(page, x + 8, 256, doc.fields.words, 2, w - 196 - x);
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

} // namespace

void DrawCheckFront(Image &page, const Document &doc) {
  Border(page);
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
  Border(page);
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
  if (const std::string &amount = doc.fields.amount; !amount.empty()) {
    for (int y : {205, 384}) {
      font::DrawString(page, right - 14 - font::TextWidth(amount, 2), y, amount,
                       2, kInk);
    }
  }

  DrawPayment(page, doc, w / 2 + 20);
  DrawBankMemoSignature(page, doc.fields, w / 2 + 20);
  DrawCodeLine(page, doc);
}

void DrawCheckBack(Image &page) {
  Border(page);
  // The endorsement area; a batch print goes into its box.
  font::DrawString(page, 40, 34, "ENDORSE HERE", 2, kInk);
  Frame(page, 30, 60, 590, 270, 3);
  for (int y : {130, 190, 250}) {
    FillRect(page, 44, y, 576, y + 1, kInk);
  }
  font::DrawString(page, 40, 284,
                   "DO NOT WRITE, STAMP, OR SIGN BELOW THIS LINE", 2, kInk);
}

} // namespace vs
