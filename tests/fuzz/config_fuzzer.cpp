// libFuzzer target over the virtual scanner's configuration file reader.
// What it reads, written again as MIRBWriteConfig writes it, reads back the
// same.
#include <array>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/vs_harness.h"
#include "virtualscanner/config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  using vsfuzz::Require;
  std::istringstream in = vsfuzz::Stream(data, size);
  std::array<int, vs::kParamCount> params{};
  std::array<std::string, vs::kParamCount> texts;
  const int rc = vs::ParseConfig(in, params, texts);
  vsfuzz::RequireCode(rc, {MIRB_VS_OK, MIRB_VS_ERR_CONFIG_FORMAT});
  if (rc != MIRB_VS_OK) {
    return 0;
  }
  std::ostringstream out;
  out << "MIRBAP32-VIRTUAL-CONFIG 1\n";
  for (int i = 0; i < vs::kParamCount; ++i) {
    Require(texts[i].size() <= vs::kMaxText &&
                texts[i].find('\0') == std::string::npos,
            "a text longer than a parameter holds");
    out << "param " << i << ' ' << params[i] << '\n'
        << "text " << i << ' ' << vs::Escape(texts[i]) << '\n';
  }
  std::istringstream again(out.str());
  std::array<int, vs::kParamCount> params2{};
  std::array<std::string, vs::kParamCount> texts2;
  Require(vs::ParseConfig(again, params2, texts2) == MIRB_VS_OK &&
              params2 == params && texts2 == texts,
          "the settings written do not read back the same");
  return 0;
}
