// The readers of the hopper and configuration files, over any stream, for
// the session's entries and the fuzz targets.
#ifndef QELSCANNER_VIRTUALSCANNER_SESSION_H
#define QELSCANNER_VIRTUALSCANNER_SESSION_H

#include <array>
#include <istream>
#include <string>
#include <vector>

#include "virtualscanner/state.h"

namespace vs {

// A hopper file's documents, one a line: MIRB_VS_OK, or
// MIRB_VS_ERR_HOPPER for a malformed line. The pictures the documents
// name are not read (LoadPictures does that).
int ParseHopper(std::istream &in, std::vector<Document> &hopper);

// A configuration file into tables that start at their defaults:
// MIRB_VS_OK, MIRB_VS_ERR_CONFIG_FORMAT or MIRB_VS_ERR_FILE.
int ParseConfig(std::istream &in, std::array<int, kParamCount> &params,
                std::array<std::string, kParamCount> &texts);

// A text as a configuration line holds it (backslash, line feed and
// carriage return escaped), and back: false for a backslash sequence that
// means nothing.
std::string Escape(const std::string &text);
bool Unescape(const std::string &text, std::string &out);

} // namespace vs

#endif
