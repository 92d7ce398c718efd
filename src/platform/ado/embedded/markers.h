// Parameter markers of T-SQL text: each `?` outside string literals, quoted or
// bracketed identifiers and comments becomes @P1, @P2, ... so that the values
// can be bound by name.  The same scan finds where a batch's statements end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mls::ado::embedded {

struct MarkedText {
  std::string text;
  size_t markers = 0;
};

MarkedText rewriteMarkers(std::string_view sql);

// The name the n-th marker (1-based) is bound as: "@P<n>".
std::string markerName(size_t n);

// The statements of a batch: its text cut at each ';' outside literals,
// identifiers and comments, blank pieces left out.
std::vector<std::string_view> splitStatements(std::string_view sql);

}  // namespace mls::ado::embedded
