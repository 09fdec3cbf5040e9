// The product folder as shipped: QELScanner.dll beside the virtual
// scanner's MIRBAP32.dll, which must answer on the ordinals the bridge
// calls. The folder is the program's argument, and not the program's own:
// the bridge is loaded by full path from there, as a virtual machine loads
// it from java.library.path.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
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
    // What QelScanApi does on Windows: the scanner library first, by full
    // path, so that the bridge's import finds it already loaded.
    const std::string scanner = productFolder + "\\MIRBAP32.dll";
    const std::string path = productFolder + "\\QELScanner.dll";
    const HMODULE loaded = LoadLibraryA(scanner.c_str()) != nullptr
                               ? LoadLibraryA(path.c_str())
                               : nullptr;
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

// The stand-in writes its images with the cross-built libtiff and libjpeg.
TEST(VirtualScannerDllTest, AFullScanWritesAGroup4TiffAndAJpeg) {
  qeltest::FakeJni jni;
  ASSERT_EQ(MIRB_VS_OK, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
  const std::string tiff = productFolder + "\\scan-front.tif";
  const std::string jpeg = productFolder + "\\scan-front.jpg";
  const jobjectArray micr = jni.StringArray({""});
  EXPECT_EQ(MIRB_VS_OK, QEL_EXPORT(QelScanToFile)(
                            jni.env(), jni.cls(), jni.String(tiff), nullptr,
                            jni.String(jpeg), nullptr, micr, jni.IntArray({0}),
                            jni.IntArray({0}), nullptr));
  EXPECT_FALSE(jni.element(micr, 0).value_or("").empty());
  QEL_EXPORT(MirbExit)(jni.env(), jni.cls());

  const auto read = [](const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string tiffBytes = read(tiff);
  const std::string jpegBytes = read(jpeg);
  std::remove(tiff.c_str());
  std::remove(jpeg.c_str());
  ASSERT_GT(tiffBytes.size(), 8u);
  EXPECT_EQ(std::string("II*\0", 4), tiffBytes.substr(0, 4));
  // Compression (tag 259, SHORT, one value) is 4, CCITT Group 4.
  EXPECT_NE(std::string::npos,
            tiffBytes.find(
                std::string("\x03\x01\x03\x00\x01\x00\x00\x00\x04\x00", 10)));
  ASSERT_GT(jpegBytes.size(), 4u);
  EXPECT_EQ("\xFF\xD8", jpegBytes.substr(0, 2));
  EXPECT_EQ("\xFF\xD9", jpegBytes.substr(jpegBytes.size() - 2));
}

// The example hopper through the stand-in: each fault's code at its
// document, as java/tests/QelScan/ExampleHopperTest.java sees it on Linux.
TEST(VirtualScannerDllTest, TheExampleHopperGivesEachFaultItsCode) {
  qeltest::FakeJni jni;
  _putenv(("MIRB_VIRTUAL_HOPPER=" QELSCAN_EXAMPLE_HOPPER));
  ASSERT_EQ(MIRB_VS_OK, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
  std::string steps;
  for (int result = 0; result != MIRB_VS_ERR_NO_DOCUMENT;) {
    const jobjectArray micr = jni.StringArray({""});
    result = QEL_EXPORT(QelScanToFile)(
        jni.env(), jni.cls(), nullptr, nullptr, nullptr, nullptr, micr,
        jni.IntArray({0}), jni.IntArray({0}), nullptr);
    const std::string code = jni.element(micr, 0).value_or("").substr(0, 8);
    if (!steps.empty() || code == "U002101U") { // from the first fault on
      steps += " " + std::to_string(result) + (code.empty() ? "" : ":" + code);
    }
    if (result == MIRB_VS_ERR_JAM || result == MIRB_VS_ERR_DOUBLE_FEED) {
      QEL_EXPORT(MirbClearDocument)(jni.env(), jni.cls());
    } else if (result == MIRB_VS_ERR_UNPLUGGED) { // a new session goes on
      QEL_EXPORT(MirbExit)(jni.env(), jni.cls());
      QEL_EXPORT(MirbInit)(jni.env(), jni.cls());
    }
  }
  EXPECT_EQ(" 0:U002101U 0:U002102U 0:U002103U -110 0:U002105U -111 "
            "0:U002108U 0:U002109U 0:U002110U -113:U002111U -112 0:U002112U "
            "0:U002113U -111 -102",
            steps);
  QEL_EXPORT(MirbExit)(jni.env(), jni.cls());
  _putenv("MIRB_VIRTUAL_HOPPER=");
}

// What a failing library does to its process: a crash ends it (Wine
// starts its debugger, which ends it too), a hang blocks its threads.
// Each in a child process, this program with --child, ended by the test.
TEST(VirtualScannerDllTest, CrashEndsTheProcessAndHangBlocksItsThreads) {
  const struct {
    const char *fault;
    bool ends;
  } faults[] = {{"crash", true}, {"hang", false}};
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  for (const auto &f : faults) {
    const std::string hopper = productFolder + "\\" + f.fault + ".hopper";
    std::ofstream(hopper) << "U1U\nU2U\tfault=" << f.fault << "\n";
    std::string command = "\"" + std::string(self) + "\" \"" + productFolder +
                          "\" --child \"" + hopper + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &startup, &child));
    const DWORD waited =
        WaitForSingleObject(child.hProcess, f.ends ? 60000 : 2000);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    std::remove(hopper.c_str());
    EXPECT_EQ(f.ends ? WAIT_OBJECT_0 : WAIT_TIMEOUT, waited) << f.fault;
    if (f.ends) { // 90: the child could not set the scene
      EXPECT_TRUE(code != 0 && code != 90) << f.fault << " ended with " << code;
    }
  }
}

int Scan(qeltest::FakeJni &jni) {
  return QEL_EXPORT(QelScanToFile)(
      jni.env(), jni.cls(), nullptr, nullptr, nullptr, nullptr,
      jni.StringArray({""}), jni.IntArray({0}), jni.IntArray({0}), nullptr);
}

DWORD WINAPI ScanThread(LPVOID) {
  qeltest::FakeJni jni;
  return static_cast<DWORD>(Scan(jni));
}

// The child: the first document, then the faulty one in another thread
// while this one asks the status. 0 when the status answered.
int RunChild(const std::string &hopper) {
  _putenv(("MIRB_VIRTUAL_HOPPER=" + hopper).c_str());
  qeltest::FakeJni jni;
  if (QEL_EXPORT(MirbInit)(jni.env(), jni.cls()) != MIRB_VS_OK ||
      Scan(jni) != MIRB_VS_OK) {
    return 90;
  }
  CreateThread(nullptr, 0, ScanThread, nullptr, 0, nullptr);
  Sleep(300);
  QEL_EXPORT(MirbStatus)(jni.env(), jni.cls());
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc == 4 && std::string(argv[2]) == "--child") {
    productFolder = argv[1];
    return RunChild(argv[3]);
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder of QELScanner.dll>\n", argv[0]);
    return 2;
  }
  productFolder = argv[1];
  return RUN_ALL_TESTS();
}
