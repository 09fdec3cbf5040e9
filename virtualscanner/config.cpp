// The configuration file: its reader, its writer and the two entries.
#include "virtualscanner/config.h"

#include <sstream>
#include <utility>
#include <vector>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/files.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/parameters.h"

using namespace vs;

namespace {

const char kConfigHeader[] = "MIRBAP32-VIRTUAL-CONFIG 1";
// Far above the 140 kB or so MIRBWriteConfig can write.
constexpr std::uint64_t kMaxConfigBytes = 1u << 20;

// A line after the header into the tables: false when it is malformed.
bool ParseLine(const std::string &line, std::array<int, kParamCount> &params,
               std::array<std::string, kParamCount> &texts) {
  const std::size_t a = line.find(' ');
  if (a == std::string::npos) {
    return false;
  }
  const std::string keyword = line.substr(0, a);
  const std::size_t b = line.find(' ', a + 1);
  const std::string selectorText = line.substr(a + 1, b - (a + 1));
  const std::string rest =
      b == std::string::npos ? std::string() : line.substr(b + 1);
  int selector = 0;
  if (!ParseInt(selectorText, selector) || !IsTableSelector(selector)) {
    return false;
  }
  if (keyword == "param") {
    return ParseInt(rest, params[selector]);
  }
  std::string value;
  if (keyword != "text" || !Unescape(rest, value) || value.size() > kMaxText ||
      value.find('\0') != std::string::npos) {
    return false;
  }
  texts[selector] = std::move(value);
  return true;
}

} // namespace

std::string vs::Escape(const std::string &text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool vs::Unescape(const std::string &text, std::string &out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      return false;
    }
    switch (text[i]) {
    case '\\':
      out += '\\';
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    default:
      return false;
    }
  }
  return true;
}

int vs::ParseConfig(const std::string &text,
                    std::array<int, kParamCount> &params,
                    std::array<std::string, kParamCount> &texts) {
  bool header = false;
  const bool whole = ForEachLine(text, [&](const std::string &line) {
    if (!header) {
      header = true;
      return line == kConfigHeader;
    }
    return line.empty() || line[0] == '#' || ParseLine(line, params, texts);
  });
  return whole && header ? MIRB_VS_OK : MIRB_VS_ERR_CONFIG_FORMAT;
}

std::string
vs::FormatConfig(const std::array<int, kParamCount> &params,
                 const std::array<std::string, kParamCount> &texts) {
  std::ostringstream out;
  out << kConfigHeader << '\n'
      << "# Parameters of the virtual scanner library; see its README.\n";
  for (int i = 0; i < kParamCount; ++i) {
    if (params[i] != 0) {
      out << "param " << i << ' ' << params[i] << '\n';
    }
  }
  for (int i = 0; i < kParamCount; ++i) {
    if (!texts[i].empty()) {
      out << "text " << i << ' ' << Escape(texts[i]) << '\n';
    }
  }
  return out.str();
}

int MIRB_CALL MIRBWriteConfig(const char *file) {
  return Guarded([&] {
    std::string name, text;
    {
      State &st = TheState();
      Guard guard(st.mutex);
      if (!st.open) {
        return MIRB_VS_ERR_NOT_INITIALISED;
      }
      if (!ReadText(file, name) || name.empty()) {
        return MIRB_VS_ERR_BAD_ARGUMENT;
      }
      text = FormatConfig(st.params, st.texts);
    }
    // Written without the lock, whole or not at all: a full disk or a
    // crash half-way leaves the earlier settings as they were.
    OutputFile out(name);
    return out.Write(text.data(), text.size()) && out.Commit()
               ? MIRB_VS_OK
               : MIRB_VS_ERR_FILE;
  });
}

int MIRB_CALL MIRBReadConfig(const char *file) {
  return Guarded([&] {
    // Read and parsed into fresh tables before the lock is taken; a file
    // that cannot be read or is malformed changes nothing.
    std::string name;
    std::vector<std::uint8_t> bytes;
    int rc = !ReadText(file, name) || name.empty()
                 ? MIRB_VS_ERR_BAD_ARGUMENT
                 : ReadWholeFile(name, bytes, kMaxConfigBytes);
    std::array<int, kParamCount> params{};
    std::array<std::string, kParamCount> texts;
    if (rc == MIRB_VS_OK) {
      rc = ParseConfig(std::string(bytes.begin(), bytes.end()), params, texts);
    }
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
    if (rc == MIRB_VS_ERR_TOO_LARGE) {
      return MIRB_VS_ERR_CONFIG_FORMAT; // beyond what a configuration holds
    }
    if (rc != MIRB_VS_OK) {
      return rc;
    }
    st.params = params;
    st.texts = std::move(texts);
    return MIRB_VS_OK;
  });
}
