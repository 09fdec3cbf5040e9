// libFuzzer target over the virtual scanner's hopper file, every key of a
// line included, and the drawing of the documents it describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/vs_harness.h"
#include "virtualscanner/code_line.h"
#include "virtualscanner/hopper.h"
#include "virtualscanner/render.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  using vsfuzz::Require;
  std::vector<vs::Document> hopper;
  const int rc = vs::ParseHopper(vsfuzz::Text(data, size), hopper);
  vsfuzz::RequireCode(rc, {MIRB_VS_OK, MIRB_VS_ERR_HOPPER});
  if (rc != MIRB_VS_OK) {
    return 0;
  }
  for (const vs::Document &doc : hopper) {
    Require(doc.codeLine.size() <= vs::kMaxText &&
                doc.confidence.size() == doc.codeLine.size(),
            "a code line too long or without its confidence");
    Require(vs::ReadCodeLine(doc).size() == doc.codeLine.size(),
            "the code line read is not the code line's length");
  }
  // For one input in 32, the first document as one of the scans draws
  // it: a drawing costs milliseconds, a line microseconds. The pictures it
  // names are decoded by the image targets, not read from files here.
  if (!hopper.empty() && size % 32 == 0) {
    constexpr vs::Kind kKinds[] = {vs::Kind::kBilevel, vs::Kind::kGray,
                                   vs::Kind::kUv, vs::Kind::kLong};
    vsfuzz::RequireWhole(vs::RenderDocument(hopper.front(), vs::Side::kFront,
                                            kKinds[size / 32 % 4]));
  }
  return 0;
}
