#pragma once
// Windows-1252 is the encoding of every file, register text, language file and plug-in answer;
// the programs hold UTF-8. These convert at those boundaries.
#include <string>
#include <string_view>

namespace qg::platform {

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in Windows-1252; they become U+FFFD.
std::string Cp1252ToUtf8(std::string_view cp1252);

// A character without a Windows-1252 form becomes '?'. Invalid UTF-8 bytes are taken as
// Windows-1252 bytes, so text that was never converted survives a round trip.
std::string Utf8ToCp1252(std::string_view utf8);

// The Windows-1252 form of `utf8` cut to at most `maxBytes` bytes (a fixed-width field of
// width w holds w - 1 bytes and its terminating zero).
std::string Utf8ToCp1252Field(std::string_view utf8, std::size_t maxBytes);

}  // namespace qg::platform
