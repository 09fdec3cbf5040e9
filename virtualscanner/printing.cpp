// Endorsement printing: a job waits for the next document scanned, which
// carries it into its images (MIRBGetParamString selectors 903 to 906
// show the texts). What each number means is in the README's "Printing".
#include "scannerlib/mirbap32.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

bool Within(int value, int low, int high) {
  return value >= low && value <= high;
}

// The numbers every entry shares; 0 asks for the default scale.
bool PlaceValid(const PrintJob &job, int maxX) {
  return Within(job.x, 0, maxX) && Within(job.y, 0, MIRB_VS_PRINT_MAX_Y) &&
         Within(job.scale, 0, MIRB_VS_PRINT_MAX_SCALE) &&
         (job.direction == 0 || job.direction == 90 || job.direction == 180 ||
          job.direction == 270);
}

bool Flag(int value, bool &out) {
  out = value == 1;
  return value == 0 || value == 1;
}

// Checks a job and lets it wait in slot, replacing a waiting one. A job
// refused for any reason leaves the waiting one as it was.
int Queue(const char *text, bool needsFont, const char *font, PrintJob job,
          bool valid, int defaultScale, PrintJob State::*slot) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
    return rc; // the printer is part of the scanner
  }
  std::string fontName;
  // Any font name is drawn with the built-in font; none is read from disk.
  if (!valid || text == nullptr || !ReadText(text, job.text) ||
      job.text.empty() ||
      (needsFont &&
       (font == nullptr || !ReadText(font, fontName) || fontName.empty()))) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  if (job.scale == 0) {
    job.scale = defaultScale;
  }
  st.*slot = std::move(job);
  return MIRB_VS_OK;
}

// A job for the back's images; a virtual endorsement then says its own.
PrintJob NewJob(int x, int y, int scale, int direction) {
  PrintJob job;
  job.x = x;
  job.y = y;
  job.scale = scale;
  job.direction = direction;
  job.sides = MIRB_VS_SIDE_BACK;
  job.kinds = MIRB_VS_IMAGES_ALL;
  return job;
}

} // namespace

int MIRB_CALL QELBatchPrintString(const char *text, int x, int y, int scale,
                                  int direction) {
  return Guarded([&] {
    const PrintJob job = NewJob(x, y, scale, direction);
    return Queue(text, false, nullptr, job,
                 PlaceValid(job, MIRB_VS_PRINT_MAX_X), MIRB_VS_PRINT_SCALE,
                 &State::pendingPrint);
  });
}

int MIRB_CALL QELBatchPrintBMP(const char *text, int x, int y, int scale,
                               int direction, int bold, int, int, int, int,
                               const char *font) {
  return Guarded([&] {
    PrintJob job = NewJob(x, y, scale, direction);
    const bool valid =
        PlaceValid(job, MIRB_VS_PRINT_MAX_X) && Flag(bold, job.bold);
    return Queue(text, true, font, job, valid, MIRB_VS_PRINT_SCALE,
                 &State::pendingPrint);
  });
}

int MIRB_CALL QELScanVirtualEndorsement(const char *text, int x, int y,
                                        int scale, int direction, int bold,
                                        int side, int kinds, int, int, int, int,
                                        int, int, int, const char *font) {
  return Guarded([&] {
    PrintJob job = NewJob(x, y, scale, direction);
    job.sides = side;
    job.kinds = kinds == 0 ? MIRB_VS_IMAGES_ALL : kinds;
    const bool valid = PlaceValid(job, MIRB_VS_ENDORSE_MAX_X) &&
                       Flag(bold, job.bold) &&
                       Within(side, MIRB_VS_SIDE_FRONT, MIRB_VS_SIDE_BOTH) &&
                       Within(kinds, 0, MIRB_VS_IMAGES_ALL);
    return Queue(text, true, font, job, valid, MIRB_VS_ENDORSE_SCALE,
                 &State::pendingEndorsement);
  });
}
