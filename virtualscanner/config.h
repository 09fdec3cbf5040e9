// The configuration file: the parameters MIRBWriteConfig writes and
// MIRBReadConfig reads back (README "Parameters and the configuration
// file").
#ifndef QELSCANNER_VIRTUALSCANNER_CONFIG_H
#define QELSCANNER_VIRTUALSCANNER_CONFIG_H

#include <array>
#include <string>

#include "virtualscanner/state.h"

namespace vs {

// A configuration file's text into tables that start at their defaults:
// MIRB_VS_OK or MIRB_VS_ERR_CONFIG_FORMAT.
int ParseConfig(const std::string &text, std::array<int, kParamCount> &params,
                std::array<std::string, kParamCount> &texts);
// The configuration file of these tables: every value not at its default.
std::string FormatConfig(const std::array<int, kParamCount> &params,
                         const std::array<std::string, kParamCount> &texts);

// A text as a configuration line holds it (backslash, line feed and
// carriage return escaped), and back: false for a backslash sequence that
// means nothing.
std::string Escape(const std::string &text);
bool Unescape(const std::string &text, std::string &out);

} // namespace vs

#endif
