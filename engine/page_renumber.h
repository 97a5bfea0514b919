// Rewrites the remaining-page counts along a merged fax's page chain after an append.
#pragma once

#include <string>

inline constexpr int kRenumberOk = 0;
inline constexpr int kRenumberCannotOpen = -1;
inline constexpr int kRenumberNotFax = -2;
inline constexpr int kRenumberSeekBeforeRead = -3;
inline constexpr int kRenumberSeekBeforeWrite = -4;
inline constexpr int kRenumberPastEnd = -5;      // a header would not fit before the end, or I/O failed
inline constexpr int kRenumberNotForward = -6;   // the chain does not move on past the header

// Walks the chain from the first header, whose count N is the total, and gives the headers of
// pages 1 .. N-1 the counts N-1 .. 1. Never writes outside the file.
int renumberPages(const std::string& path);
