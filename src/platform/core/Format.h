#pragma once

#include <cstdarg>
#include <string>

namespace zel {

// printf-style formatting for text records. Output matches what the
// Windows C runtime produced for the record files this program has always
// written: glibc printf in the "C" locale, except that the exponent of
// %e/%E (and of %g/%G in exponent form) has at least three digits
// ("5.00000000e-001"). Never depends on the process locale.
//
// Supported: flags - + space 0 #, width and precision (also '*'),
// length modifiers hh h l ll L j z t, conversions d i u o x X c s f F e E
// g G %. Anything else is copied to the output unchanged.
std::string Sprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string VSprintf(const char* fmt, va_list args);

} // namespace zel
