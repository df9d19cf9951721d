#pragma once
// The number at the start of a text, as the plot dialogs read their fields:
// blanks before it are skipped, whatever follows it is ignored, and a text
// that does not start with a number reads as 0. Never depends on the process
// locale. A number that is not finite (or does not fit) also reads as 0.

#include <string_view>

double LeadingReal(std::string_view text);
// The integer part of the leading number ("2.7" reads as 2); beyond the int
// range the nearest int limit.
int LeadingInt(std::string_view text);
