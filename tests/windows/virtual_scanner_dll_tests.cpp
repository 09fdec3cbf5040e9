// The product folder as shipped: QELScanner.dll beside the virtual
// scanner's MIRBAP32.dll, which must answer on the ordinals the bridge
// calls. The folder is the program's argument.
#include <gtest/gtest.h>

#include <string>

#include "exports.h"
#include "support/fake_jni.h"
#include "virtualscanner/virtual_scanner.h"

namespace {
std::string productFolder;
}

namespace qeltest {

HMODULE Bridge() {
  static const HMODULE bridge = [] {
    const std::string path = productFolder + "\\QELScanner.dll";
    // Resolves MIRBAP32.dll from the DLL's own folder.
    const HMODULE loaded =
        LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (loaded == nullptr) {
      std::fprintf(stderr, "cannot load %s (error %lu)\n", path.c_str(),
                   GetLastError());
      std::abort();
    }
    return loaded;
  }();
  return bridge;
}

} // namespace qeltest

namespace {

TEST(VirtualScannerDllTest, AnswersOnTheOrdinalsTheBridgeCalls) {
  qeltest::FakeJni jni;
  EXPECT_EQ(MIRB_VS_VERSION, QEL_EXPORT(QelApiVersion)(jni.env(), jni.cls()));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            QEL_EXPORT(GetScannerType)(jni.env(), jni.cls()));
  ASSERT_EQ(MIRB_VS_OK, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
  EXPECT_EQ(MIRB_VS_SCANNER_TYPE,
            QEL_EXPORT(GetScannerType)(jni.env(), jni.cls()));
  EXPECT_EQ(MIRB_VS_SUPPORTED_SCANNERS,
            QEL_EXPORT(QelApiSupportedScanners)(jni.env(), jni.cls()));
  EXPECT_EQ(MIRB_VS_OK, QEL_EXPORT(MirbExit)(jni.env(), jni.cls()));

  const HMODULE scanner = GetModuleHandleA("MIRBAP32.dll");
  ASSERT_NE(nullptr, scanner);
  char path[MAX_PATH];
  GetModuleFileNameA(scanner, path, sizeof path);
  EXPECT_EQ(productFolder + "\\MIRBAP32.dll", std::string(path));
}

} // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder of QELScanner.dll>\n", argv[0]);
    return 2;
  }
  productFolder = argv[1];
  return RUN_ALL_TESTS();
}
