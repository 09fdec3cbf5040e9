// The image of a document's side, as each kind of scan sees it.
#ifndef QELSCANNER_VIRTUALSCANNER_RENDER_H
#define QELSCANNER_VIRTUALSCANNER_RENDER_H

#include "virtualscanner/image.h"
#include "virtualscanner/state.h"

namespace vs {

enum class Kind { kBilevel, kGray, kUv, kLong };
enum class Side { kFront, kBack };

// The picture of a document: a check with its printed fields and the code
// line on the front (a long document: a payment voucher twice as wide),
// the endorsement area on the back, or the hopper's picture for that
// side; the print jobs over it. Bilevel and long images are 200 dpi, gray
// and UV images 100 dpi; a UV image shows what glows (uv_glow.h), which no
// other image shows.
Image RenderDocument(const Document &doc, Side side, Kind kind);

} // namespace vs

#endif
