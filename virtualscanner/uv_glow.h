// The front under an ultraviolet lamp (QELScanUV): dull paper, dark ink,
// and what glows, the paper's security fibres and the bank's seal.
#ifndef QELSCANNER_VIRTUALSCANNER_UV_GLOW_H
#define QELSCANNER_VIRTUALSCANNER_UV_GLOW_H

#include <string>

#include "virtualscanner/image.h"

namespace vs {

// The UV seal's centre and outer radius in the UV image's 100-dpi pixels:
// a spot the front leaves unprinted.
constexpr int kUvSealX = 250;
constexpr int kUvSealY = 170;
constexpr int kUvSealRadius = 38;

// The UV image at 100 dpi of a side drawn at 200 dpi (page, 8-bit gray):
// fibres placed by the code line, the same for the same code line, and
// the seal where asked for.
Image UvImage(const Image &page, const std::string &codeLine, bool seal);

} // namespace vs

#endif
