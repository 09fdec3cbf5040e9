// The print jobs a document received, drawn onto its images.
#ifndef QELSCANNER_VIRTUALSCANNER_IMPRINT_H
#define QELSCANNER_VIRTUALSCANNER_IMPRINT_H

#include "virtualscanner/image.h"
#include "virtualscanner/render.h"
#include "virtualscanner/state.h"

namespace vs {

// Draws a job onto the side it was meant for, when it is meant for this
// kind of image, over whatever the page shows. x or y 0 takes the default
// place (README "Printing"): a batch print in the endorsement box, a
// virtual endorsement across the top of the front (voucher or check) or
// on the back below where a batch print goes.
void DrawJob(Image &page, const PrintJob &job, bool endorsement, Side side,
             Kind kind);

} // namespace vs

#endif
