// Shared fixture of the virtual scanner tests: a closed session and a
// clean environment before and after every test, a scratch folder, a
// hopper writer, and a TIFF inspector of its own (independent of the
// library's reader).
#ifndef QELSCANNER_VIRTUALSCANNER_TESTS_VS_TEST_H
#define QELSCANNER_VIRTUALSCANNER_TESTS_VS_TEST_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/virtual_scanner.h"

namespace vstest {

inline const char *const kEnvironment[] = {
    "MIRB_VIRTUAL_VERSION", "MIRB_VIRTUAL_INIT_RESULT", "MIRB_VIRTUAL_HOPPER",
    "MIRB_VIRTUAL_USB", "MIRB_VIRTUAL_DOCUMENT_NUMBER"};

inline std::vector<std::uint8_t> slurp(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spit(const std::string &name, const std::string &text) {
  std::ofstream(name, std::ios::binary) << text;
}

struct TiffInfo {
  bool valid = false;
  int pages = 0;
  std::uint32_t width = 0, height = 0, bits = 0, compression = 0;
};

// The first page's fields and the page count of a little-endian TIFF; for
// an uncompressed page also that its one strip lies inside the file and
// holds every row.
inline TiffInfo inspectTiff(const std::vector<std::uint8_t> &b) {
  TiffInfo info;
  auto u16 = [&](std::size_t at) { return std::uint32_t(b[at] | b[at + 1] << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (b.size() < 8 || b[0] != 'I' || b[1] != 'I' || u16(2) != 42)
    return info;
  std::uint32_t stripAt = 0, stripBytes = 0;
  for (std::uint32_t ifd = u32(4); ifd != 0; ++info.pages) {
    if (ifd + 2 > b.size() || info.pages > 300)
      return info;
    const std::uint32_t n = u16(ifd);
    if (ifd + 2 + n * 12 + 4 > b.size())
      return info;
    for (std::uint32_t i = 0; i < n && info.pages == 0; ++i) {
      const std::size_t at = ifd + 2 + i * 12;
      const std::uint32_t value = u16(at + 2) == 3 ? u16(at + 8) : u32(at + 8);
      switch (u16(at)) {
      case 256: info.width = value; break;
      case 257: info.height = value; break;
      case 258: info.bits = value; break;
      case 259: info.compression = value; break;
      case 273: stripAt = value; break;
      case 279: stripBytes = value; break;
      default: break;
      }
    }
    ifd = u32(ifd + 2 + n * 12);
  }
  const std::uint64_t rowBytes =
      info.bits == 1 ? (info.width + 7) / 8 : std::uint64_t(info.width);
  info.valid = info.width > 0 && info.height > 0 &&
               (info.bits == 1 || info.bits == 8) &&
               std::uint64_t(stripAt) + stripBytes <= b.size() &&
               (info.compression != 1 || stripBytes == rowBytes * info.height);
  return info;
}

class VirtualScanner : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *name : kEnvironment)
      unsetenv(name);
    MIRBExit();
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("vs-") + test->test_suite_name() + "-" + test->name() +
            "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    MIRBExit();
    for (const char *name : kEnvironment)
      unsetenv(name);
    std::filesystem::remove_all(dir_);
  }

  std::string path(const std::string &leaf) const { return (dir_ / leaf).string(); }

  // Puts these documents into the hopper and opens the session.
  void feed(std::initializer_list<std::string> documents) {
    std::string text;
    for (const std::string &line : documents)
      text += line + "\n";
    spit(path("hopper.txt"), text);
    setenv("MIRB_VIRTUAL_HOPPER", path("hopper.txt").c_str(), 1);
    ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  }

  std::filesystem::path dir_;
};

} // namespace vstest

#endif
