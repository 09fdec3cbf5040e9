// The recording scanner double as tests use it: a header-only C++ face
// over its plain C control API (recording_scanner_api.h), so that nothing
// of the C++ runtime crosses into the double.
//
//   qeltest::Scanner scanner;                       // starts reset
//   scanner.setResult(Entry::QELApiVersion, 1512);
//   scanner.setText(Entry::MIRBScan, 2, "t123t456o"); // micr, text slot 2
//   ... call the export ...
//   EXPECT_EQ("front.tif", scanner.lastCall(Entry::MIRBScan).texts.at(0));
//
// The double's violations (a null buffer where its contract wants one, a
// script that does not fit) fail the test when the Scanner is reset or
// destroyed.
#ifndef QELSCANNER_TESTS_SUPPORT_RECORDING_SCANNER_H
#define QELSCANNER_TESTS_SUPPORT_RECORDING_SCANNER_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "scannerlib/entries.h"
#include "support/recording_scanner_api.h"

namespace qeltest {

enum class Entry : int {
#define QELTEST_ENTRY(ordinal, result, name, parameters, bytes)                \
  name = (ordinal),
  QEL_SCANNER_ENTRIES(QELTEST_ENTRY)
#undef QELTEST_ENTRY
};

inline const char *EntryName(Entry entry) {
  switch (entry) {
#define QELTEST_ENTRY_NAME(ordinal, result, name, parameters, bytes)           \
  case Entry::name:                                                            \
    return #name;
    QEL_SCANNER_ENTRIES(QELTEST_ENTRY_NAME)
#undef QELTEST_ENTRY_NAME
  }
  return "?";
}

inline std::ostream &operator<<(std::ostream &out, Entry entry) {
  return out << EntryName(entry) << " (" << static_cast<int>(entry) << ")";
}

// Output slot kinds, as qelrec_slot_capacity counts them.
enum class SlotKind { Text = 0, Int = 1, Image = 2 };

// One recorded call. A null text argument shows as "" in `texts` with
// `textNull` set.
struct Call {
  Entry entry{};
  std::vector<int> ints;
  std::vector<std::string> texts;
  std::vector<bool> textNull;
  std::vector<std::size_t> textLength; // of the text passed, even if cut
  std::vector<const void *> pointers;  // every pointer argument, in order

  bool isNull(std::size_t text) const {
    return text < textNull.size() && textNull[text];
  }
};

class Scanner {
public:
  Scanner() { qelrec_reset(); }
  ~Scanner() { ExpectNoViolations(); }
  Scanner(const Scanner &) = delete;
  Scanner &operator=(const Scanner &) = delete;

  // Reports the violations so far, then forgets calls and scripts.
  void reset() {
    ExpectNoViolations();
    qelrec_reset();
  }

  std::vector<Call> calls() const {
    std::vector<Call> result;
    const int n = qelrec_call_count();
    auto raw = std::make_unique<QelRecCall>();
    for (int i = 0; i < n; ++i) {
      if (qelrec_get_call(i, raw.get()) == 1) {
        result.push_back(Convert(*raw));
      }
    }
    return result;
  }

  std::vector<Entry> entries() const {
    std::vector<Entry> result;
    for (const Call &call : calls()) {
      result.push_back(call.entry);
    }
    return result;
  }

  int count(Entry entry) const {
    int n = 0;
    for (const Call &call : calls()) {
      n += call.entry == entry ? 1 : 0;
    }
    return n;
  }

  // The latest call of `entry`; a test failure and an empty Call if none.
  Call lastCall(Entry entry) const {
    const std::vector<Call> all = calls();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
      if (it->entry == entry) {
        return *it;
      }
    }
    ADD_FAILURE() << entry << " was not called";
    Call none;
    none.entry = entry;
    return none;
  }

  void setResult(Entry entry, int result) {
    Expect(qelrec_set_result(Ordinal(entry), result));
  }
  // Call n gets results[n]; later calls the last one.
  void setResults(Entry entry, const std::vector<int> &results) {
    std::vector<std::int32_t> values(results.begin(), results.end());
    Expect(qelrec_set_results(Ordinal(entry), values.data(),
                              static_cast<std::int32_t>(values.size())));
  }
  void setText(Entry entry, int slot, const std::string &text) {
    Expect(qelrec_set_text(Ordinal(entry), slot, text.c_str()));
  }
  void setInt(Entry entry, int slot, long long value) {
    setInts(entry, slot, {value});
  }
  void setInts(Entry entry, int slot, const std::vector<long long> &values) {
    std::vector<std::int64_t> v(values.begin(), values.end());
    Expect(qelrec_set_ints(Ordinal(entry), slot, v.data(),
                           static_cast<std::int32_t>(v.size())));
  }
  template <typename Byte>
  void setBytes(Entry entry, int slot, const std::vector<Byte> &bytes) {
    static_assert(sizeof(Byte) == 1, "bytes only");
    Expect(
        qelrec_set_bytes(Ordinal(entry), slot,
                         reinterpret_cast<const unsigned char *>(bytes.data()),
                         static_cast<std::uint32_t>(bytes.size())));
  }
  // What MIRBGetParamString returns; nullptr for NULL.
  void setParamString(const char *textOrNull) {
    qelrec_set_param_string(textOrNull, textOrNull == nullptr);
  }

  int capacity(Entry entry, SlotKind kind, int slot) const {
    return qelrec_slot_capacity(Ordinal(entry), static_cast<int>(kind), slot);
  }

  std::vector<std::string> violations() const {
    std::vector<std::string> result;
    char text[512];
    for (int i = 0; i < qelrec_violation_count(); ++i) {
      if (qelrec_get_violation(i, text, sizeof text) == 1) {
        result.emplace_back(text);
      }
    }
    return result;
  }
  void clearViolations() { qelrec_clear_violations(); }

  void ExpectNoViolations() {
    for (const std::string &v : violations()) {
      ADD_FAILURE() << "recording scanner: " << v;
    }
    qelrec_clear_violations();
  }

private:
  static int Ordinal(Entry entry) { return static_cast<int>(entry); }

  void Expect(std::int32_t rc) {
    if (rc != 0) {
      const std::vector<std::string> all = violations();
      ADD_FAILURE() << "recording scanner refused a script: "
                    << (all.empty() ? std::string("?") : all.back());
      qelrec_clear_violations();
    }
  }

  static Call Convert(const QelRecCall &raw) {
    Call call;
    call.entry = static_cast<Entry>(raw.ordinal);
    call.ints.assign(raw.ints, raw.ints + raw.intCount);
    for (int i = 0; i < raw.textCount; ++i) {
      call.texts.emplace_back(raw.texts[i]);
      call.textNull.push_back(raw.textIsNull[i] != 0);
      call.textLength.push_back(raw.textLength[i]);
    }
    call.pointers.assign(raw.pointers, raw.pointers + raw.pointerCount);
    return call;
  }
};

} // namespace qeltest

#endif
