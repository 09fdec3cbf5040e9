// Calls a library entry with the arguments a request gave, each passed as
// the entry's parameter type (wire::Arg converts to it).
#include <utility>

#include "host/serve.h"
#include "scannerlib/mirbap32.h"

namespace qel::host {

namespace {

using wire::Kind;

template <Kind... kinds> constexpr std::size_t Count() {
  return sizeof...(kinds);
}

template <typename Fn, std::size_t... i>
auto CallWith(void *address, const wire::Arg *args, std::index_sequence<i...>) {
  return reinterpret_cast<Fn>(address)(args[i]...);
}

void Keep(wire::HostCall &call, int result) { call.number = result; }
void Keep(wire::HostCall &call, const char *result) { call.text = result; }

using Thunk = void (*)(void *, wire::HostCall &);
struct Caller {
  int ordinal;
  Thunk thunk;
};

#define QEL_HOST_CALLER(ordinal, result, name, parameters, bytes)              \
  {ordinal, [](void *address, wire::HostCall &call) {                          \
     Keep(call, CallWith<decltype(&(name))>(                                   \
                    address, call.args,                                        \
                    std::make_index_sequence<                                  \
                        Count<QEL_PARAMETER_KINDS(parameters)>()>{}));         \
   }},
const Caller kCallers[] = {QEL_SCANNER_ENTRIES(QEL_HOST_CALLER)};
#undef QEL_HOST_CALLER

} // namespace

void Invoke(const wire::Entry &entry, void *address, wire::HostCall &call) {
  for (const Caller &caller : kCallers) {
    if (caller.ordinal == entry.ordinal) {
      caller.thunk(address, call);
      return;
    }
  }
}

} // namespace qel::host
