// Small text operations shared by the windows and the device code. Texts are UTF-8; lengths and
// positions count characters (code points), so a Chinese name pads like a Latin one.
#pragma once

#include <cstdint>
#include <string>

// 0 for an empty or all-blank text and for anything that is not a decimal integer; never throws.
int32_t FieldToInt(const std::string& text);

// `fill` put in front of `text` (width - length) times, computed once; nothing when <= 0.
std::string PadLeft(const std::string& text, const std::string& fill, int width);

// The part of `text` before the first `separator`; the whole text when it does not occur.
std::string TextBefore(const std::string& text, const std::string& separator);

// Pairs of characters taken from the end, in reverse order; an odd first character comes last.
std::string ReverseHexPairs(const std::string& text);

// Strict decimal integer with optional sign and surrounding blanks; false on anything else or
// on overflow of 32 bits.
bool ParseInt32(const std::string& text, int32_t& value);

// ASCII case-insensitive equality.
bool SameText(const std::string& a, const std::string& b);

// Blanks (space, tab, CR, LF) removed from both ends.
std::string Trim(const std::string& text);

// Number of UTF-8 characters.
int Utf8Length(const std::string& text);
