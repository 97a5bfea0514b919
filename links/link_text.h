// The texts behind a web link: link colours read from their settings text, and the browser command
// line made from a registered open command. Pure functions, shared by the link label and its tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// A colour as the platform stores it: red in the low byte, then green, then blue (0x00BBGGRR).
using LinkColor = std::uint32_t;

// The buffer a colour setting is read into; the longest setting that fits is 11 characters.
inline constexpr std::size_t kColorValueBytes = 12;
// The buffer a registered file type or open command is read into.
inline constexpr std::size_t kRegistryValueBytes = 260;
// The longest command line the browser fallback runs, its terminating zero included.
inline constexpr std::size_t kCommandBytes = 520;

// The zero-terminated text at the start of a buffer read from the registry, or nothing when no
// terminator lies within the buffer: such a value was cut to the buffer's size and is not whole.
std::optional<std::string> textInBuffer(const char* buffer, std::size_t size);

// "red,green,blue" in decimal, as "Anchor Color" holds it. Each number is read like atoi (leading
// white space, an optional sign, digits up to the first other character) and only its low byte
// counts, so 300 gives 44. The text is invalid when a comma is missing, when red or green reads as
// -1, or when nothing follows the second comma.
std::optional<LinkColor> parseColorText(const std::string& text);

// The colour held in a settings buffer of kColorValueBytes: nothing when the buffer holds no
// whole text or the text is not a colour.
std::optional<LinkColor> colorFromValue(const char* buffer, std::size_t size);

// The command line that opens `target` with a registered open command: the command is cut at its
// quoted placeholder "%1" (quotes included), or else at an unquoted %1, and the target follows
// after a blank, unquoted. Nothing when the command line would not fit in kCommandBytes.
std::optional<std::string> browserCommand(const std::string& openCommand, const std::string& target);
