// Small text and path routines shared by the launcher and the setup.
// Strings are UTF-8 throughout.
#pragma once
#include <cstdint>
#include <string>

namespace zk {

// Without leading and trailing blanks (character 32 only).
std::string TrimBlanks(const std::string& text);

// Decimal text of a whole number: minus sign when negative, nothing else.
std::string NumStr(long long value);

// 1234567 gives "1.234.567"; a negative value gives " ist kleiner 0!".
std::string DottedNumber(long long value);

// a-z and ä ö ü upper-cased; everything else (ß too) unchanged.
std::string UpperCaseDE(const std::string& text);
// The reverse: A-Z and Ä Ö Ü lower-cased.
std::string LowerCaseDE(const std::string& text);

// Trailing-backslash rule for folder paths: drops one trailing "\", then
// appends one when asked or when what is left has at most 2 characters.
std::string BackslashPath(const std::string& path, bool withSlash);

// The whole text as an integer: leading blanks, optional sign, "$" for hex.
// Anything else (trailing characters, empty text, overflow) gives def.
int32_t StrToIntDef(const std::string& text, int32_t def);

// The integer that the start of the text spells: leading blanks, optional
// sign, "$" or "x" for hex; reading stops at the first foreign character.
// Nothing readable gives 0.
int32_t IntPrefix(const std::string& text);

}  // namespace zk
