// A DLL with the faults the check must catch: an undecorated alias and a
// foreign export, the C++ runtime as a DLL, MIRBAP32.dll bound by name.
#include <string>

extern "C" int __stdcall MIRBStatus(void);

extern "C" __declspec(
    dllexport) int __stdcall Java_QelScan_QelScanApi_MirbStatus(void *,
                                                                void *) {
  return MIRBStatus();
}

extern "C" __declspec(dllexport) int Helper(const char *text) {
  return static_cast<int>(std::string(text).size());
}
