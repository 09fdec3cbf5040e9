// The check's own fields and pictures from the hopper: the amount in
// words, and the files that keep the session shut. (The Java tests scan
// the pictures of the example hopper.)
#include <cstdint>

#include "virtualscanner/amounts.h"
#include "vs_test.h"

using namespace vstest;

namespace {

TEST(Words, AmountsAreWrittenOutAsAPersonWritesThem) {
  const struct {
    long long cents;
    const char *words, *figures;
  } amounts[] = {
      {7, "Zero and 07/100", "0.07"},
      {1200, "Twelve and 00/100", "12.00"},
      {12500, "One hundred twenty-five and 00/100", "125.00"},
      {123456, "One thousand two hundred thirty-four and 56/100", "1,234.56"},
      {1000100, "Ten thousand one and 00/100", "10,001.00"},
      {100000000, "One million and 00/100", "1,000,000.00"},
      {9999999999,
       "Ninety-nine million nine hundred ninety-nine thousand "
       "nine hundred ninety-nine and 99/100",
       "99,999,999.99"},
  };
  for (const auto &a : amounts) {
    EXPECT_EQ(a.words, vs::AmountInWords(a.cents));
    EXPECT_EQ(a.figures, vs::AmountInFigures(a.cents));
  }
  EXPECT_EQ(123456, vs::ParseAmount("1234.56"));
  EXPECT_EQ(123400, vs::ParseAmount("1234"));
  for (const char *bad : {"", "1.5", ".50", "1,234.00", "12a", "-5"}) {
    EXPECT_FALSE(vs::ParseAmount(bad)) << bad;
  }
}

using Pictures = VirtualScanner;

TEST_F(Pictures, AnUnreadablePictureOrABadFieldKeepsTheSessionShut) {
  Spit(Path("text.tif"), "not a picture");
  std::filesystem::create_directory(Path("folder.tif"));
  const std::vector<std::uint8_t> bytes =
      Slurp(QELSCAN_VS_EXAMPLE "/pattern-front.tif");
  Spit(Path("cut.tif"), std::string(bytes.begin(), bytes.end() - 300));
  const std::string lines[] = {"U1U\tfront=missing.tif",
                               "U1U\tback=text.tif",
                               "U1U\tfront=folder.tif",
                               "U1U\tback=cut.tif",
                               "U1U\tfront=",
                               "U1U\tamount=12.5",
                               "U1U\tmemo=" + std::string(256, 'x')};
  for (const std::string &line : lines) {
    Spit(Path("hopper.txt"), line + "\n");
    setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
    EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit()) << line;
    EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus()) << line;
  }
  Feed({"U1U\tfront=" QELSCAN_VS_EXAMPLE "/pattern-front.tif"}); // whole
}

} // namespace
