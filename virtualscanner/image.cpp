#include "virtualscanner/image.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

namespace vs {

Image Image::blank(int width, int height, int bitsPerPixel, int dpi) {
  Image image;
  image.width = width;
  image.height = height;
  image.bitsPerPixel = bitsPerPixel;
  image.dpi = dpi;
  image.data.assign(image.stride() * static_cast<std::size_t>(height),
                    bitsPerPixel == 1 ? 0x00 : 0xFF);
  return image;
}

std::size_t Image::stride() const {
  return bitsPerPixel == 1 ? (static_cast<std::size_t>(width) + 7) / 8
                           : static_cast<std::size_t>(width);
}

int Image::gray(int x, int y) const {
  const std::uint8_t *row = data.data() + stride() * static_cast<std::size_t>(y);
  if (bitsPerPixel == 8)
    return row[x];
  return (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 0 : 255;
}

void Image::set(int x, int y, int value) {
  if (x < 0 || y < 0 || x >= width || y >= height)
    return;
  std::uint8_t *row = data.data() + stride() * static_cast<std::size_t>(y);
  if (bitsPerPixel == 8) {
    row[x] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    return;
  }
  const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
  if (value < 128)
    row[x / 8] |= bit;
  else
    row[x / 8] &= static_cast<std::uint8_t>(~bit);
}

// ---------------------------------------------------------------- render

namespace {

void fillRect(Image &image, int x0, int y0, int x1, int y1, int value) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      image.set(x, y, value);
}

} // namespace

Image renderDocument(const Document &doc, Side side, Kind kind) {
  // A check is about 6 x 2.75 inches; a long document twice as wide.
  const bool gray = kind == Kind::Gray || kind == Kind::UV;
  const int dpi = gray ? 100 : 200;
  const int width = (kind == Kind::Long ? 1200 : 600) * dpi / 100;
  const int height = 275 * dpi / 100;
  Image image = Image::blank(width, height, gray ? 8 : 1, dpi);
  if (kind == Kind::UV)
    fillRect(image, 0, 0, width, height, 96); // UV paper glows dim
  else if (gray)
    for (int y = 0; y < height; ++y) // light paper shading
      for (int x = 0; x < width; ++x)
        image.set(x, y, 200 + (x * 55) / width);

  const int ink = kind == Kind::UV ? 255 : 0;
  const int frame = dpi / 50;
  fillRect(image, 0, 0, width, frame, ink);
  fillRect(image, 0, height - frame, width, height, ink);
  fillRect(image, 0, 0, frame, height, ink);
  fillRect(image, width - frame, 0, width, height, ink);

  if (side == Side::Front) {
    // The code line along the bottom, each byte as eight bars.
    const int bar = std::max(1, dpi / 100);
    const int top = height - frame - dpi / 4;
    const int bottom = height - frame - dpi / 10;
    int x = frame + dpi / 4;
    for (unsigned char c : doc.codeLine) {
      for (int bit = 7; bit >= 0 && x + 2 * bar < width - frame; --bit) {
        const int thick = (c >> bit) & 1 ? 2 * bar : bar;
        fillRect(image, x, top, x + thick, bottom, ink);
        x += thick + bar;
      }
      x += 2 * bar;
    }
  } else {
    // The back: an endorsement box, filled when something was printed.
    const int x0 = width / 3, x1 = 2 * width / 3;
    const int y0 = height / 4, y1 = height / 2;
    fillRect(image, x0, y0, x1, y0 + frame, ink);
    fillRect(image, x0, y1 - frame, x1, y1, ink);
    fillRect(image, x0, y0, x0 + frame, y1, ink);
    fillRect(image, x1 - frame, y0, x1, y1, ink);
    if (!doc.printed.empty())
      fillRect(image, x0 + 3 * frame, y0 + 3 * frame, x1 - 3 * frame,
               y1 - 3 * frame, ink);
  }
  if (!doc.endorsement.empty() && side == Side::Front)
    fillRect(image, frame * 4, frame * 4, width / 4, frame * 8, ink);
  return image;
}

// ------------------------------------------------------------------ TIFF

namespace {

constexpr std::uint16_t kCompressionNone = 1;
constexpr std::uint16_t kCompressionPackBits = 32773;
constexpr std::size_t kMaxPages = 256;
constexpr int kMaxSide = 32767;

std::vector<std::uint8_t> packBits(const std::uint8_t *p, std::size_t n) {
  std::vector<std::uint8_t> out;
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    while (i + run < n && run < 128 && p[i + run] == p[i])
      ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(p[i]);
      i += run;
      continue;
    }
    std::size_t lit = 1;
    while (i + lit < n && lit < 128 &&
           !(i + lit + 1 < n && p[i + lit] == p[i + lit + 1]))
      ++lit;
    out.push_back(static_cast<std::uint8_t>(lit - 1));
    out.insert(out.end(), p + i, p + i + lit);
    i += lit;
  }
  return out;
}

// Appends at most want bytes; false when the data is cut short.
bool unpackBits(const std::uint8_t *p, std::size_t n, std::size_t want,
                std::vector<std::uint8_t> &out) {
  std::size_t i = 0;
  const std::size_t start = out.size();
  while (i < n && out.size() - start < want) {
    const int header = static_cast<std::int8_t>(p[i++]);
    if (header >= 0) {
      const std::size_t lit = static_cast<std::size_t>(header) + 1;
      if (i + lit > n)
        return false;
      out.insert(out.end(), p + i, p + i + lit);
      i += lit;
    } else if (header != -128) {
      if (i >= n)
        return false;
      out.insert(out.end(), static_cast<std::size_t>(1 - header), p[i++]);
    }
  }
  if (out.size() - start > want)
    out.resize(start + want); // a last run may overshoot the image
  return true;
}

void put16(std::vector<std::uint8_t> &b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t> &b, std::uint32_t v) {
  put16(b, static_cast<std::uint16_t>(v));
  put16(b, static_cast<std::uint16_t>(v >> 16));
}
void patch32(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Reader {
  const std::vector<std::uint8_t> &bytes;
  bool little = true;

  bool has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= bytes.size() && count <= bytes.size() - offset;
  }
  std::uint32_t u16(std::size_t at) const {
    return little ? bytes[at] | bytes[at + 1] << 8
                  : bytes[at] << 8 | bytes[at + 1];
  }
  std::uint32_t u32(std::size_t at) const {
    return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  }
};

struct Entry {
  std::uint32_t type = 0, count = 0, valueAt = 0; // valueAt: file offset
};

// Value i of an entry of type SHORT or LONG.
bool entryValue(const Reader &r, const Entry &e, std::uint32_t i,
                std::uint32_t &value) {
  const std::uint32_t size = e.type == 3 ? 2 : e.type == 4 ? 4 : 0;
  if (size == 0 || i >= e.count ||
      !r.has(e.valueAt, static_cast<std::uint64_t>(size) * e.count))
    return false;
  value = size == 2 ? r.u16(e.valueAt + i * 2) : r.u32(e.valueAt + i * 4);
  return true;
}

int decodePage(const Reader &r, std::uint32_t ifd, Image &image,
               std::uint32_t &next) {
  if (!r.has(ifd, 2))
    return MIRB_VS_ERR_FILE;
  const std::uint32_t count = r.u16(ifd);
  if (!r.has(ifd + 2, count * 12ull + 4))
    return MIRB_VS_ERR_FILE;
  Entry width, length, bits, compression, photometric, offsets, byteCounts,
      samples, xres;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = ifd + 2 + i * 12;
    Entry e;
    e.type = r.u16(at + 2);
    e.count = r.u32(at + 4);
    const std::uint32_t size = e.type == 3 ? 2 : (e.type == 4 ? 4 : 8);
    e.valueAt = static_cast<std::uint64_t>(size) * e.count <= 4
                    ? static_cast<std::uint32_t>(at + 8)
                    : r.u32(at + 8);
    switch (r.u16(at)) {
    case 256: width = e; break;
    case 257: length = e; break;
    case 258: bits = e; break;
    case 259: compression = e; break;
    case 262: photometric = e; break;
    case 273: offsets = e; break;
    case 277: samples = e; break;
    case 279: byteCounts = e; break;
    case 282: xres = e; break;
    default: break;
    }
  }
  next = r.u32(ifd + 2 + count * 12);

  std::uint32_t w = 0, h = 0, bpp = 1, comp = kCompressionNone, photo = 0,
                spp = 1;
  if (!entryValue(r, width, 0, w) || !entryValue(r, length, 0, h) ||
      (bits.count != 0 && !entryValue(r, bits, 0, bpp)) ||
      (compression.count != 0 && !entryValue(r, compression, 0, comp)) ||
      (photometric.count != 0 && !entryValue(r, photometric, 0, photo)) ||
      (samples.count != 0 && !entryValue(r, samples, 0, spp)))
    return MIRB_VS_ERR_FILE;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || spp != 1 ||
      (bpp != 1 && bpp != 8) || photo > 1 ||
      (comp != kCompressionNone && comp != kCompressionPackBits) ||
      offsets.count == 0 || offsets.count != byteCounts.count)
    return MIRB_VS_ERR_FILE;
  // Rows are allocated before the strips are read: bound them first.
  constexpr std::uint64_t kMaxPageBytes = 64ull << 20;
  if ((bpp == 1 ? (w + 7) / 8 : w) * static_cast<std::uint64_t>(h) > kMaxPageBytes)
    return MIRB_VS_ERR_FILE;

  image = Image::blank(static_cast<int>(w), static_cast<int>(h),
                       static_cast<int>(bpp), 200);
  image.packBits = comp == kCompressionPackBits;
  if (xres.type == 5 && r.has(xres.valueAt, 8)) {
    const std::uint32_t num = r.u32(xres.valueAt), den = r.u32(xres.valueAt + 4);
    if (den != 0 && num / den > 0 && num / den <= 10000)
      image.dpi = static_cast<int>(num / den);
  }
  // Strips follow each other; together they hold every row.
  const std::size_t total = image.data.size();
  std::vector<std::uint8_t> rows;
  rows.reserve(total);
  for (std::uint32_t s = 0; s < offsets.count && rows.size() < total; ++s) {
    std::uint32_t at = 0, n = 0;
    if (!entryValue(r, offsets, s, at) || !entryValue(r, byteCounts, s, n) ||
        !r.has(at, n))
      return MIRB_VS_ERR_FILE;
    const std::uint8_t *p = r.bytes.data() + at;
    if (image.packBits) {
      // Decode until the strip ends; rows per strip is not needed.
      if (!unpackBits(p, n, total - rows.size(), rows))
        return MIRB_VS_ERR_FILE;
    } else {
      rows.insert(rows.end(), p, p + std::min<std::size_t>(n, total - rows.size()));
    }
  }
  if (rows.size() < total)
    return MIRB_VS_ERR_FILE;
  rows.resize(total);
  // Normalise: bilevel 1 = black (WhiteIsZero), gray 0 = black.
  const bool invert = (bpp == 1) != (photo == 0);
  if (invert)
    for (auto &b : rows)
      b = static_cast<std::uint8_t>(~b);
  image.data = std::move(rows);
  return MIRB_VS_OK;
}

} // namespace

std::vector<std::uint8_t> encodeTiff(const std::vector<Image> &pages) {
  std::vector<std::uint8_t> b = {'I', 'I', 42, 0};
  std::size_t linkAt = b.size(); // where the offset of the next IFD goes
  put32(b, 0);
  for (std::size_t page = 0; page < pages.size(); ++page) {
    const Image &im = pages[page];
    const std::vector<std::uint8_t> strip =
        im.packBits ? packBits(im.data.data(), im.data.size()) : im.data;
    const std::uint32_t stripAt = static_cast<std::uint32_t>(b.size());
    b.insert(b.end(), strip.begin(), strip.end());
    if (b.size() % 2 != 0)
      b.push_back(0); // IFDs start on a word boundary
    const std::uint32_t resolutionAt = static_cast<std::uint32_t>(b.size());
    put32(b, static_cast<std::uint32_t>(im.dpi));
    put32(b, 1);
    patch32(b, linkAt, static_cast<std::uint32_t>(b.size()));

    struct Tag {
      std::uint16_t tag, type;
      std::uint32_t value;
    };
    const bool gray = im.bitsPerPixel == 8;
    const Tag tags[] = {
        {254, 4, pages.size() > 1 ? 2u : 0u},
        {256, 4, static_cast<std::uint32_t>(im.width)},
        {257, 4, static_cast<std::uint32_t>(im.height)},
        {258, 3, static_cast<std::uint32_t>(im.bitsPerPixel)},
        {259, 3, im.packBits ? kCompressionPackBits : kCompressionNone},
        {262, 3, gray ? 1u : 0u},
        {273, 4, stripAt},
        {277, 3, 1},
        {278, 4, static_cast<std::uint32_t>(im.height)},
        {279, 4, static_cast<std::uint32_t>(strip.size())},
        {282, 5, resolutionAt},
        {283, 5, resolutionAt},
        {296, 3, 2},
        {297, 3,
         static_cast<std::uint32_t>(page) |
             static_cast<std::uint32_t>(pages.size()) << 16},
    };
    put16(b, static_cast<std::uint16_t>(std::size(tags)));
    for (const Tag &t : tags) {
      put16(b, t.tag);
      put16(b, t.type);
      put32(b, t.tag == 297 ? 2 : 1);
      if (t.type == 3 && t.tag != 297) {
        put16(b, static_cast<std::uint16_t>(t.value));
        put16(b, 0);
      } else {
        put32(b, t.value); // LONG, offset of a RATIONAL, or two SHORTs
      }
    }
    linkAt = b.size();
    put32(b, 0);
  }
  return b;
}

int decodeTiff(const std::vector<std::uint8_t> &bytes,
               std::vector<Image> &pages) {
  pages.clear();
  Reader r{bytes};
  if (bytes.size() < 8)
    return MIRB_VS_ERR_FILE;
  if (bytes[0] == 'M' && bytes[1] == 'M')
    r.little = false;
  else if (bytes[0] != 'I' || bytes[1] != 'I')
    return MIRB_VS_ERR_FILE;
  if (r.u16(2) != 42)
    return MIRB_VS_ERR_FILE;
  std::set<std::uint32_t> seen;
  for (std::uint32_t ifd = r.u32(4); ifd != 0;) {
    if (pages.size() >= kMaxPages || !seen.insert(ifd).second)
      return MIRB_VS_ERR_FILE;
    Image image;
    std::uint32_t next = 0;
    const int rc = decodePage(r, ifd, image, next);
    if (rc != MIRB_VS_OK)
      return rc;
    pages.push_back(std::move(image));
    ifd = next;
  }
  return pages.empty() ? MIRB_VS_ERR_FILE : MIRB_VS_OK;
}

std::vector<std::uint8_t> encodeMemoryImage(const Image &image) {
  std::vector<std::uint8_t> b;
  b.reserve(MIRB_VS_MEMORY_HEADER_BYTES + image.data.size());
  put16(b, static_cast<std::uint16_t>(image.width));
  put16(b, static_cast<std::uint16_t>(image.height));
  put16(b, static_cast<std::uint16_t>(image.bitsPerPixel));
  put16(b, static_cast<std::uint16_t>(image.dpi));
  put16(b, MIRB_VS_MEMORY_HEADER_BYTES);
  put16(b, 0);
  put32(b, static_cast<std::uint32_t>(image.data.size()));
  b.insert(b.end(), image.data.begin(), image.data.end());
  return b;
}

bool readFile(const std::string &name, std::vector<std::uint8_t> &bytes) {
  std::ifstream in(name, std::ios::binary);
  if (!in)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(in),
               std::istreambuf_iterator<char>());
  return !in.bad();
}

bool writeFile(const std::string &name, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  if (!out)
    return false;
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

int readTiffFile(const std::string &name, std::vector<Image> &pages) {
  std::vector<std::uint8_t> bytes;
  if (name.empty() || !readFile(name, bytes))
    return MIRB_VS_ERR_FILE;
  return decodeTiff(bytes, pages);
}

} // namespace vs
