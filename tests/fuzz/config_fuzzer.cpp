// libFuzzer target over the virtual scanner's configuration file reader.
// What it reads, written again as MIRBWriteConfig writes it, reads back the
// same.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/vs_harness.h"
#include "virtualscanner/config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  using vsfuzz::Require;
  std::array<int, vs::kParamCount> params{};
  std::array<std::string, vs::kParamCount> texts;
  const int rc = vs::ParseConfig(vsfuzz::Text(data, size), params, texts);
  vsfuzz::RequireCode(rc, {MIRB_VS_OK, MIRB_VS_ERR_CONFIG_FORMAT});
  if (rc != MIRB_VS_OK) {
    return 0;
  }
  for (const std::string &text : texts) {
    Require(text.size() <= vs::kMaxText && text.find('\0') == std::string::npos,
            "a text longer than a parameter holds");
  }
  std::array<int, vs::kParamCount> params2{};
  std::array<std::string, vs::kParamCount> texts2;
  Require(vs::ParseConfig(vs::FormatConfig(params, texts), params2, texts2) ==
                  MIRB_VS_OK &&
              params2 == params && texts2 == texts,
          "the settings written do not read back the same");
  return 0;
}
