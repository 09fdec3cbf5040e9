// The shapes of the 41 entries, from scannerlib/entries.h.
#include <type_traits>

#include "scannerlib/entries.h"
#include "wire/kinds.h"

namespace qel::wire {

namespace {

// The result type comes as a pointer to it, after the kinds, which may be none.
template <Kind... kinds, typename Result>
constexpr Entry MakeEntry(int ordinal, const char *name, const Result *) {
  static_assert(sizeof...(kinds) <= kMaxParameters, "raise kMaxParameters");
  static_assert(std::is_same_v<Result, int> ||
                    std::is_same_v<Result, const char *>,
                "an entry returns an int or a text");
  return {ordinal,
          name,
          std::is_same_v<Result, int> ? ResultKind::kInt : ResultKind::kText,
          static_cast<std::uint8_t>(sizeof...(kinds)),
          {kinds...}};
}

#define QEL_WIRE_ENTRY(ordinal, result, name, parameters, bytes)               \
  MakeEntry<QEL_PARAMETER_KINDS(parameters)>(                                  \
      ordinal, #name, static_cast<result *>(nullptr)), // NOLINT: a type
constexpr Entry kEntries[] = {QEL_SCANNER_ENTRIES(QEL_WIRE_ENTRY)};
#undef QEL_WIRE_ENTRY

} // namespace

const Entry *FindEntry(std::uint32_t ordinal) noexcept {
  for (const Entry &entry : kEntries) {
    if (static_cast<std::uint32_t>(entry.ordinal) == ordinal) {
      return &entry;
    }
  }
  return nullptr;
}

} // namespace qel::wire
