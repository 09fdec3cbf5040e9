// The 41 entries of the proxy scanner library, from scannerlib/entries.h:
// each forwards its call to the host process.
#include "proxy/forward.h"
#include "scannerlib/mirbap32.h"
#include "wire/message.h"

namespace {

template <typename Result> struct Forwarder;
template <> struct Forwarder<int> {
  static int Call(int ordinal, std::initializer_list<qel::wire::Arg> args) {
    return qel::proxy::ForwardInt(ordinal, args);
  }
};
template <> struct Forwarder<const char *> {
  static const char *Call(int ordinal,
                          std::initializer_list<qel::wire::Arg> args) {
    return qel::proxy::ForwardText(ordinal, args);
  }
};

} // namespace

extern "C" {

#define QEL_PROXY_ENTRY(ordinal, result, name, parameters, bytes)              \
  MIRB_API result MIRB_CALL name(QEL_PARAMETER_DECLARATIONS(parameters)) {     \
    return Forwarder<result>::Call(ordinal,                                    \
                                   {QEL_PARAMETER_NAMES(parameters)});         \
  }
QEL_SCANNER_ENTRIES(QEL_PROXY_ENTRY)
#undef QEL_PROXY_ENTRY

// Tells a host that this library is the proxy, which it must not load.
MIRB_API int QelScanProxyMarker() { return 1; }

} // extern "C"
