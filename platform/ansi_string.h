// Multibyte-aware steps over 8-bit strings in the system's ANSI code page. Every position and
// length counts bytes; a search never matches the trailing byte of a double-byte character.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// True when `byte` opens a double-byte character in the system code page (never on POSIX,
// where strings are UTF-8 and no continuation byte is ASCII).
bool isLeadByte(unsigned char byte);

// Bytes taken by the character that starts at `pos` (1, or 2 for a complete double-byte one).
std::size_t charLength(const std::string& text, std::size_t pos);

// Position of the first / last character `ch` (an ASCII byte), or npos.
std::size_t findFirstChar(const std::string& text, char ch);
std::size_t findLastChar(const std::string& text, char ch);

// `text` without its trailing blanks, tabs, carriage returns, line feeds, vertical tabs and
// form feeds.
std::string trimTrailingSpace(const std::string& text);

// Letter case conversion of the system code page (ASCII letters only on POSIX).
std::string toLowerCase(std::string text);
std::string toUpperCase(std::string text);

// The form under which the file system tells two path spellings apart: on Windows names differ
// only when they differ without regard to case; on POSIX every byte counts.
std::string pathKey(const std::string& path);

}  // namespace platform
