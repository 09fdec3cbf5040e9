// The keys of a hopper line for the check's own fields and pictures.
#ifndef QELSCANNER_VIRTUALSCANNER_FIELDS_H
#define QELSCANNER_VIRTUALSCANNER_FIELDS_H

#include <optional>
#include <string>
#include <vector>

#include "virtualscanner/state.h"

namespace vs {

// Takes key=value into fields when key names a field or a picture: true
// when the value is well formed, false when not; none for another key.
std::optional<bool> SetCheckField(CheckFields &fields, const std::string &key,
                                  const std::string &value);

// Reads the pictures the documents name, relative names from the hopper
// file's folder, each file once: MIRB_VS_OK, or MIRB_VS_ERR_HOPPER when
// one cannot be read as a picture.
int LoadPictures(std::vector<Document> &hopper,
                 const std::string &hopperFile) noexcept;

// The amount in the box in cents: the amount key's, else the code line's
// field; none: the box stays empty.
std::optional<long long> CourtesyAmount(const Document &doc);

} // namespace vs

#endif
