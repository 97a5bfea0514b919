// Multibyte-aware steps over 8-bit strings in the program's code page. Every position and length
// counts bytes; a search never matches the trailing byte of a double-byte character, whose value
// may be that of an ASCII character ("表" is 95 5C, a backslash, in code page 932).
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// True when `byte` opens a double-byte character in the program's code page (never on POSIX,
// where strings are UTF-8 and no continuation byte is ASCII).
bool isLeadByte(unsigned char byte);

// True when the program's code page is UTF-8 (always on POSIX).
bool codePageIsUtf8();

// Bytes taken by the character that starts at `pos`: 2 for a complete double-byte character,
// up to 4 for a complete UTF-8 sequence where the code page is UTF-8, else 1.
std::size_t charLength(const std::string& text, std::size_t pos);

// Position of the first character `ch` (an ASCII byte) at or after `from`, a character boundary;
// of the last one in the whole text. npos when there is none.
std::size_t findFirstChar(const std::string& text, char ch, std::size_t from = 0);
std::size_t findLastChar(const std::string& text, char ch);

// True when the last character of `text` is `ch`.
bool endsWithChar(const std::string& text, char ch);

// The start of the character `count` characters before `end`, counting whole characters from
// `start` (a character boundary); `start` when there are fewer.
std::size_t charsBefore(const std::string& text, std::size_t start, std::size_t end, std::size_t count);

// `text` without its trailing blanks, tabs, carriage returns, line feeds, vertical tabs and
// form feeds.
std::string trimTrailingSpace(const std::string& text);

// Letter case conversion of the program's code page (ASCII letters only on POSIX).
std::string toLowerCase(std::string text);
std::string toUpperCase(std::string text);

// The form under which the file system tells two path spellings apart: on Windows names differ
// only when they differ without regard to case; on POSIX every byte counts.
std::string pathKey(const std::string& path);
// The same without a copy where the file system compares names byte for byte: `path` itself, or
// its key made in `scratch`.
const std::string& pathKeyOf(const std::string& path, std::string& scratch);

// UTF-8 text in the program's code page. False when the code page cannot hold all of it: `text`
// then has "?" for each character it lacks, never a look-alike.
bool fromUtf8(const std::string& utf8, std::string& text);

// Text in the program's code page as UTF-8.
std::string toUtf8(const std::string& text);

}  // namespace platform
