// The Windows tests reach the bridge as the virtual machine does: the real
// QELScanner.dll, loaded once from the test's folder.
#include "exports.h"

#include <cstdio>
#include <cstdlib>

namespace qeltest {

HMODULE Bridge() {
  static const HMODULE bridge = [] {
    const HMODULE loaded = LoadLibraryA("QELScanner.dll");
    if (loaded == nullptr) {
      std::fprintf(stderr, "cannot load QELScanner.dll (error %lu)\n",
                   GetLastError());
      std::abort();
    }
    return loaded;
  }();
  return bridge;
}

} // namespace qeltest
