#pragma once
// The texts each program shows for the link error codes.
#include <string>

#include "serial/link.h"

namespace qg::serial {

// Quillgraph's built-in texts for codes 1..8 (its language file may replace them); empty for
// any other code.
std::string QuillgraphLinkErrorText(int code);

// Harrowcfg's texts for codes 0..11; empty for any other code.
std::string HarrowcfgLinkErrorText(int code);

inline constexpr int kQuillgraphLinkErrorCount = 8;   // codes 1..8
inline constexpr int kHarrowcfgLinkErrorCount = 12;   // codes 0..11

}  // namespace qg::serial
