// The library's one state.
#include "virtualscanner/state.h"

namespace vs {

State &TheState() {
  static State instance;
  return instance;
}

void ResetSession(State &st) {
  st.open = false;
  st.dllPath.clear();
  st.iniFile.clear();
  st.cfgFile.clear();
  st.params.fill(0);
  for (auto &text : st.texts) {
    text.clear();
  }
  st.hopper.clear();
  st.nextDocument = 0;
  st.documentInTrack = false;
  st.lastDocument.reset();
  st.placedImages.clear();
  st.specials.clear();
  st.pendingPrint = PrintJob{};
  st.pendingEndorsement = PrintJob{};
  st.trackFault = 0;
  st.unplugged = false;
  st.feedMs = 0;
  st.feeder = 0;
  st.feeding = false;
  ++st.session;
  st.changed.Notify();
}

} // namespace vs
