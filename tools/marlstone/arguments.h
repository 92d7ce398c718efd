// The host's arguments: plain text, or a small JSON value when the text begins
// with "[" (an array, lower bound 0) or "{" (a Halvern.Dictionary created by
// ProgID).  JSON strings become String, whole numbers Long (Double beyond its
// range, and for fractions), true/false Boolean, null Null.  An array whose
// items are all arrays of one length is a two-dimensional array: element
// (i, j) is item j of array i (field i of record j).
#pragma once

#include <string>
#include <vector>

#include "platform/com/variant.h"

namespace mls::host {

// Raises 5 (source "marlstone") naming the position of malformed JSON.
com::Variant parseArgument(const std::string& text);
// JSON values one after another (separated by white space), each read as above.
std::vector<com::Variant> parseJsonValues(const std::string& text);

}  // namespace mls::host
