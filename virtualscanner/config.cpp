// The configuration file: its reader, its writer and the two entries.
#include "virtualscanner/config.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/files.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/parameters.h"

using namespace vs;

namespace {

const char kConfigHeader[] = "MIRBAP32-VIRTUAL-CONFIG 1";

// Runs body(st, name) under the state's lock for an open session and the
// configuration file's name, which must not be empty.
template <typename Body> int WithConfigFile(const char *file, Body body) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  std::string name;
  if (!ReadText(file, name) || name.empty()) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  return body(st, name);
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

int vs::ParseConfig(std::istream &in, std::array<int, kParamCount> &params,
                    std::array<std::string, kParamCount> &texts) {
  std::string line;
  if (!std::getline(in, line)) {
    return MIRB_VS_ERR_CONFIG_FORMAT;
  }
  StripCarriageReturn(line);
  if (line != kConfigHeader) {
    return MIRB_VS_ERR_CONFIG_FORMAT;
  }
  while (std::getline(in, line)) {
    StripCarriageReturn(line);
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const std::size_t a = line.find(' ');
    if (a == std::string::npos) {
      return MIRB_VS_ERR_CONFIG_FORMAT;
    }
    const std::string keyword = line.substr(0, a);
    const std::size_t b = line.find(' ', a + 1);
    const std::string selectorText = line.substr(a + 1, b - (a + 1));
    const std::string rest =
        b == std::string::npos ? std::string() : line.substr(b + 1);
    int selector = 0;
    if (!ParseInt(selectorText, selector) || !IsTableSelector(selector)) {
      return MIRB_VS_ERR_CONFIG_FORMAT;
    }
    if (keyword == "param") {
      if (!ParseInt(rest, params[selector])) {
        return MIRB_VS_ERR_CONFIG_FORMAT;
      }
    } else if (keyword == "text") {
      std::string value;
      if (!Unescape(rest, value) || value.size() > kMaxText ||
          value.find('\0') != std::string::npos) {
        return MIRB_VS_ERR_CONFIG_FORMAT;
      }
      texts[selector] = value;
    } else {
      return MIRB_VS_ERR_CONFIG_FORMAT;
    }
  }
  return in.bad() ? MIRB_VS_ERR_FILE : MIRB_VS_OK;
}

int MIRB_CALL MIRBWriteConfig(const char *file) {
  return Guarded([&] {
    return WithConfigFile(file, [](State &st, const std::string &name) {
      std::ostringstream out;
      out << kConfigHeader << '\n'
          << "# Parameters of the virtual scanner library; see its README.\n";
      for (int i = 0; i < kParamCount; ++i) {
        if (st.params[i] != 0) {
          out << "param " << i << ' ' << st.params[i] << '\n';
        }
      }
      for (int i = 0; i < kParamCount; ++i) {
        if (!st.texts[i].empty()) {
          out << "text " << i << ' ' << Escape(st.texts[i]) << '\n';
        }
      }
      // Whole or not at all: a full disk or a crash half-way leaves the
      // earlier settings as they were.
      const std::string text = out.str();
      OutputFile fileOut(name);
      return fileOut.Write(text.data(), text.size()) && fileOut.Commit()
                 ? MIRB_VS_OK
                 : MIRB_VS_ERR_FILE;
    });
  });
}

int MIRB_CALL MIRBReadConfig(const char *file) {
  return Guarded([&] {
    return WithConfigFile(file, [](State &st, const std::string &name) {
      std::ifstream in(name, std::ios::binary);
      if (!in) {
        return MIRB_VS_ERR_FILE;
      }
      // Parse into fresh tables: a malformed file changes nothing.
      std::array<int, kParamCount> params{};
      std::array<std::string, kParamCount> texts;
      const int rc = ParseConfig(in, params, texts);
      if (rc != MIRB_VS_OK) {
        return rc;
      }
      st.params = params;
      st.texts = std::move(texts);
      return MIRB_VS_OK;
    });
  });
}
