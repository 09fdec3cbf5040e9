// The session: opening and closing it, the version and the debug level.
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/environment.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/hopper.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

// Opens the session unless it is open already (then: 0, nothing changes,
// unless the scanner is gone). The hopper file and its pictures are read
// without the lock, so no other call waits on them; should another call
// open the session meanwhile, what was read is dropped.
int OpenSession(State &st, std::unique_lock<Lock> &lock) {
  std::optional<int> loaded; // the load's result, once it was tried
  std::vector<Document> hopper;
  for (;;) {
    if (st.open) {
      return DeviceCheck(st);
    }
    if (UnpluggedByFile()) {
      return MIRB_VS_ERR_UNPLUGGED;
    }
    const int result = EnvInt("MIRB_VIRTUAL_INIT_RESULT").value_or(MIRB_VS_OK);
    if (result < 0) {
      return result;
    }
    std::size_t next = 0;
    if (TakeResume(st, hopper, next) || (loaded && *loaded == MIRB_VS_OK)) {
      ResetSession(st);
      st.hopper = std::move(hopper);
      st.nextDocument = next;
      st.feedMs = FeedMilliseconds();
      st.open = true;
      return result;
    }
    if (loaded) {
      return *loaded;
    }
    lock.unlock();
    loaded = LoadHopper(hopper);
    lock.lock();
  }
}

} // namespace

int MIRB_CALL QELApiVersion(void) {
  return Guarded(
      [&] { return EnvInt("MIRB_VIRTUAL_VERSION").value_or(MIRB_VS_VERSION); });
}

int MIRB_CALL MIRBInit(void) {
  return Guarded([&] {
    State &st = TheState();
    std::unique_lock<Lock> lock(st.mutex);
    return OpenSession(st, lock);
  });
}

int MIRB_CALL MIRBInitPath(const char *dllPath, const char *iniFile,
                           const char *cfgFile) {
  return Guarded([&] {
    State &st = TheState();
    std::unique_lock<Lock> lock(st.mutex);
    std::string path, ini, cfg;
    if (!ReadText(dllPath, path) || !ReadText(iniFile, ini) ||
        !ReadText(cfgFile, cfg)) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    const int result = OpenSession(st, lock);
    if (st.open && result >= 0) {
      st.dllPath = std::move(path);
      st.iniFile = std::move(ini);
      st.cfgFile = std::move(cfg);
    }
    return result;
  });
}

int MIRB_CALL MIRBExit(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
    ResetSession(st);
    return MIRB_VS_OK;
  });
}

int MIRB_CALL MIRBDebug(int level) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    st.debugLevel = level;
    return MIRB_VS_OK;
  });
}
