// The hopper: the documents a session scans, from the hopper file that
// MIRB_VIRTUAL_HOPPER names (every key of a line, the pictures it names)
// or the default stack of twelve checks (README "The hopper file", "The
// default stack").
#ifndef QELSCANNER_VIRTUALSCANNER_HOPPER_H
#define QELSCANNER_VIRTUALSCANNER_HOPPER_H

#include <cstddef>
#include <string>
#include <vector>

#include "virtualscanner/state.h"

namespace vs {

// What a hopper file may hold.
constexpr std::size_t kMaxHopperBytes = 16u << 20;
constexpr std::size_t kMaxHopperLines = 100000; // comments and blanks too

// A hopper file's documents, one a line: MIRB_VS_OK, or
// MIRB_VS_ERR_HOPPER for a malformed line or too many. The pictures the
// documents name are not read (LoadPictures does that).
int ParseHopper(const std::string &text, std::vector<Document> &hopper);

// Reads the pictures the documents name, relative names from the hopper
// file's folder, each file once: MIRB_VS_OK, or MIRB_VS_ERR_HOPPER when
// one cannot be read as a picture. Memory running out is thrown.
int LoadPictures(std::vector<Document> &hopper, const std::string &hopperFile);

// The hopper a session opens with: the file MIRB_VIRTUAL_HOPPER names and
// its pictures, or the default stack when it names none: MIRB_VS_OK or
// MIRB_VS_ERR_HOPPER. Takes no lock: it may read for a while.
int LoadHopper(std::vector<Document> &hopper);

} // namespace vs

#endif
