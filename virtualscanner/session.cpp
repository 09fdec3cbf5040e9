// Session, version, debug setting, parameters and configuration files.
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/hopper.h"
#include "virtualscanner/files.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/config.h"
#include "virtualscanner/stack.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

// A decimal int: an optional minus sign and digits, nothing else. value
// stays as it was unless the whole text is one.
bool ParseInt(const std::string &text, int &value) {
  const char *end = text.data() + text.size();
  int parsed = 0;
  const auto [at, error] = std::from_chars(text.data(), end, parsed);
  if (error != std::errc() || at != end) {
    return false;
  }
  value = parsed;
  return true;
}

void StripCarriageReturn(std::string &line) {
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
}

std::vector<std::string> Split(const std::string &line, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(separator, start);
    fields.push_back(line.substr(start, at - start));
    if (at == std::string::npos) {
      return fields;
    }
    start = at + 1;
  }
}

} // namespace

// The hopper file: one document a line, "code line[<TAB>key=value...]".
int vs::ParseHopper(std::istream &in, std::vector<Document> &hopper) {
  hopper.clear();
  std::string line;
  while (std::getline(in, line)) {
    StripCarriageReturn(line);
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const std::vector<std::string> fields = Split(line, '\t');
    Document doc;
    doc.codeLine = fields[0];
    doc.confidence.assign(doc.codeLine.size(), '9');
    doc.quality = 100;
    doc.contrast = 60;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::size_t eq = fields[i].find('=');
      const std::string key = fields[i].substr(0, eq);
      const std::string value =
          eq == std::string::npos ? std::string() : fields[i].substr(eq + 1);
      if (eq == std::string::npos) {
        return MIRB_VS_ERR_HOPPER;
      }
      if (key == "confidence") {
        doc.confidence = value;
      } else if (const auto fault = ParseFaultField(key, value, doc)) {
        if (!*fault) {
          return MIRB_VS_ERR_HOPPER;
        }
      } else if (const auto field = SetCheckField(doc.fields, key, value)) {
        if (!*field) {
          return MIRB_VS_ERR_HOPPER;
        }
      } else if (key == "quality"    ? !ParseInt(value, doc.quality)
                 : key == "contrast" ? !ParseInt(value, doc.contrast)
                                     : true) {
        return MIRB_VS_ERR_HOPPER;
      }
    }
    // Each code-line character has its one confidence character.
    if (doc.codeLine.size() > kMaxText ||
        doc.confidence.size() != doc.codeLine.size() ||
        !FinishFaultFields(doc)) {
      return MIRB_VS_ERR_HOPPER;
    }
    hopper.push_back(std::move(doc));
  }
  return in.bad() ? MIRB_VS_ERR_HOPPER : MIRB_VS_OK;
}

namespace {

// Without a hopper file the default stack of checks is loaded; a named
// file without documents is an empty hopper.
int LoadHopper(std::vector<Document> &hopper) {
  hopper.clear();
  const char *name = std::getenv("MIRB_VIRTUAL_HOPPER");
  if (name == nullptr || *name == '\0') {
    hopper = DefaultStack();
    return MIRB_VS_OK;
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    return MIRB_VS_ERR_HOPPER;
  }
  const int rc = ParseHopper(in, hopper);
  return rc != MIRB_VS_OK ? rc : LoadPictures(hopper, name);
}

// Opens the session unless it is open already (then: 0, nothing changes,
// unless the scanner is gone).
int OpenSession(State &st) {
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
  std::vector<Document> hopper;
  std::size_t next = 0;
  if (!TakeResume(st, hopper, next)) {
    if (const int loaded = LoadHopper(hopper); loaded != MIRB_VS_OK) {
      return loaded;
    }
  }
  ResetSession(st);
  st.hopper = std::move(hopper);
  st.nextDocument = next;
  st.feedMs = FeedMilliseconds();
  st.open = true;
  return result;
}

// A slot of the parameter tables, numbers and texts alike; the read-only
// texts of MIRBGetParamString have selectors of their own.
bool IsTableSelector(int selector) {
  return selector >= 0 && selector < kParamCount;
}

// A text of the read-only selectors, or null for none.
const std::string *ReadOnlyText(const State &st, int selector) {
  static const std::string kEmpty;
  switch (selector) {
  case MIRB_VS_SEL_DLL_PATH:
    return &st.dllPath;
  case MIRB_VS_SEL_INI_FILE:
    return &st.iniFile;
  case MIRB_VS_SEL_CFG_FILE:
    return &st.cfgFile;
  case MIRB_VS_SEL_PENDING_PRINT:
    return &st.pendingPrint.text;
  case MIRB_VS_SEL_LAST_PRINT:
    return st.lastDocument ? &st.lastDocument->printed.text : &kEmpty;
  case MIRB_VS_SEL_PENDING_ENDORSEMENT:
    return &st.pendingEndorsement.text;
  case MIRB_VS_SEL_LAST_ENDORSEMENT:
    return st.lastDocument ? &st.lastDocument->endorsement.text : &kEmpty;
  default:
    return nullptr;
  }
}

const char kConfigHeader[] = "MIRBAP32-VIRTUAL-CONFIG 1";

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

namespace {

// Runs body(st) under the state's lock for an open session and a selector
// of the parameter table.
template <typename Body> int WithParam(int selector, Body body) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  if (!IsTableSelector(selector)) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  return body(st);
}

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

int MIRB_CALL QELApiVersion(void) {
  return Guarded(
      [&] { return EnvInt("MIRB_VIRTUAL_VERSION").value_or(MIRB_VS_VERSION); });
}

int MIRB_CALL MIRBInit(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    return OpenSession(st);
  });
}

int MIRB_CALL MIRBInitPath(const char *dllPath, const char *iniFile,
                           const char *cfgFile) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    std::string path, ini, cfg;
    if (!ReadText(dllPath, path) || !ReadText(iniFile, ini) ||
        !ReadText(cfgFile, cfg)) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    const int result = OpenSession(st);
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

int MIRB_CALL MIRBSetParam(int selector, int value) {
  return Guarded([&] {
    return WithParam(selector, [&](State &st) {
      st.params[selector] = value;
      return MIRB_VS_OK;
    });
  });
}

int MIRB_CALL MIRBGetParam(int selector) {
  return Guarded([&] {
    return WithParam(selector, [&](State &st) { return st.params[selector]; });
  });
}

int MIRB_CALL MIRBSetParamString(int selector, const char *value) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
    std::string text;
    if (!IsTableSelector(selector) || value == nullptr ||
        !ReadText(value, text)) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    st.texts[selector] = std::move(text);
    return MIRB_VS_OK;
  });
}

const char *MIRB_CALL MIRBGetParamString(int selector) {
  return Guarded([&]() -> const char * {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return nullptr;
    }
    const std::string *text = IsTableSelector(selector)
                                  ? &st.texts[selector]
                                  : ReadOnlyText(st, selector);
    if (text == nullptr) {
      return nullptr;
    }
    PutText(st.paramText, sizeof st.paramText, *text);
    return st.paramText;
  });
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
