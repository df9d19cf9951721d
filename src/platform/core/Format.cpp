#include "platform/core/Format.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string_view>
#include <system_error>

namespace zel {

namespace {

enum class Length { None, Char, Short, Long, LongLong, LongDouble, IntMax, Size, PtrDiff };

struct Conversion {
    bool left = false;  // '-'
    bool plus = false;  // '+'
    bool space = false; // ' '
    bool zero = false;  // '0'
    bool alt = false;   // '#'
    int width = 0;
    int precision = -1; // -1: not given
    Length length = Length::None;
    char conversion = 0;
};

bool IsUpper(char conversion) {
    return conversion >= 'A' && conversion <= 'Z';
}

// Lays out sign + prefix + body in the field width. Zero padding goes
// between the prefix and the body, as printf does.
void Emit(std::string& out, const Conversion& conv, std::string_view sign, std::string_view prefix,
          std::string_view body, bool zeroPad) {
    const std::size_t len = sign.size() + prefix.size() + body.size();
    const std::size_t pad = conv.width > 0 && static_cast<std::size_t>(conv.width) > len
                                ? static_cast<std::size_t>(conv.width) - len
                                : 0;
    if (conv.left) {
        out.append(sign).append(prefix).append(body).append(pad, ' ');
    } else if (zeroPad) {
        out.append(sign).append(prefix).append(pad, '0').append(body);
    } else {
        out.append(pad, ' ').append(sign).append(prefix).append(body);
    }
}

std::string_view SignOf(bool negative, const Conversion& conv) {
    if (negative) return "-";
    if (conv.plus) return "+";
    if (conv.space) return " ";
    return {};
}

void FormatInteger(std::string& out, const Conversion& conv, bool negative, std::uintmax_t magnitude) {
    int base = 10;
    if (conv.conversion == 'o') base = 8;
    if (conv.conversion == 'x' || conv.conversion == 'X') base = 16;

    char buffer[72];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base).ptr;
    std::string digits(buffer, end);
    if (conv.conversion == 'X') {
        for (char& c : digits)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }

    // An explicit precision of 0 prints nothing for the value 0.
    if (conv.precision == 0 && magnitude == 0) digits.clear();
    if (conv.precision > 0 && digits.size() < static_cast<std::size_t>(conv.precision))
        digits.insert(0, static_cast<std::size_t>(conv.precision) - digits.size(), '0');

    std::string_view prefix;
    if (conv.alt) {
        if (base == 8 && (digits.empty() || digits.front() != '0')) digits.insert(0, 1, '0');
        if (base == 16 && magnitude != 0) prefix = conv.conversion == 'X' ? "0X" : "0x";
    }
    const bool isSigned = conv.conversion == 'd' || conv.conversion == 'i';
    const std::string_view sign = isSigned ? SignOf(negative, conv) : std::string_view{};
    Emit(out, conv, sign, prefix, digits, conv.zero && !conv.left && conv.precision < 0);
}

void FormatSigned(std::string& out, const Conversion& conv, std::intmax_t value) {
    // Magnitude computed without negating, so INTMAX_MIN does not overflow.
    const std::uintmax_t magnitude = value < 0 ? std::uintmax_t(0) - static_cast<std::uintmax_t>(value)
                                               : static_cast<std::uintmax_t>(value);
    FormatInteger(out, conv, value < 0, magnitude);
}

// Writes |value| with std::to_chars, growing the buffer for long fixed output.
template <typename T> std::string ToChars(T value, std::chars_format format, int precision) {
    std::string buffer(static_cast<std::size_t>(precision) + 64, '\0');
    for (;;) {
        const std::to_chars_result result =
            std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
        if (result.ec == std::errc()) {
            buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Decimal exponent of a to_chars scientific string ("d.ddde-05" -> -5).
int ExponentOf(const std::string& scientific) {
    const std::size_t e = scientific.find('e');
    int exponent = 0;
    const char* first = scientific.data() + e + 1;
    if (*first == '+') ++first;
    std::from_chars(first, scientific.data() + scientific.size(), exponent);
    return exponent;
}

// The Windows runtime always wrote at least three exponent digits.
void WidenExponent(std::string& text) {
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return;
    const std::size_t digits = text.size() - (e + 2);
    if (digits < 3) text.insert(e + 2, 3 - digits, '0');
}

void EnsurePoint(std::string& text) {
    if (text.find('.') != std::string::npos) return;
    const std::size_t e = text.find('e');
    text.insert(e == std::string::npos ? text.size() : e, 1, '.');
}

// %g drops trailing zeros of the fraction, and the point if nothing is left.
void StripFractionZeros(std::string& text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos) return;
    std::size_t e = text.find('e');
    if (e == std::string::npos) e = text.size();
    std::size_t last = e;
    while (last > point + 1 && text[last - 1] == '0')
        --last;
    if (last == point + 1) last = point;
    text.erase(last, e - last);
}

template <typename T> void FormatFloating(std::string& out, const Conversion& conv, T value) {
    const bool negative = std::signbit(value);
    const std::string_view sign = SignOf(negative, conv);
    const bool upper = IsUpper(conv.conversion);

    // inf and nan are printed as glibc does in the "C" locale ("inf", "-inf",
    // "nan", "-nan"; upper case for E F G), never zero padded. The old
    // Windows runtime wrote "1.#INF" and "-1.#IND" instead; no reader of
    // ours depends on those, and the glibc spelling round-trips through
    // strtod.
    if (std::isinf(value) || std::isnan(value)) {
        std::string_view word = std::isinf(value) ? (upper ? "INF" : "inf") : (upper ? "NAN" : "nan");
        Emit(out, conv, sign, {}, word, false);
        return;
    }

    const T magnitude = std::fabs(value);
    const int precision = conv.precision < 0 ? 6 : conv.precision;
    std::string body;
    switch (conv.conversion) {
    case 'f':
    case 'F':
        body = ToChars(magnitude, std::chars_format::fixed, precision);
        if (conv.alt) EnsurePoint(body);
        break;
    case 'e':
    case 'E':
        body = ToChars(magnitude, std::chars_format::scientific, precision);
        if (conv.alt) EnsurePoint(body);
        break;
    default: { // g, G
        // Exponent form is chosen from the exponent after rounding to P
        // significant digits, as the C standard says.
        const int significant = precision == 0 ? 1 : precision;
        body = ToChars(magnitude, std::chars_format::scientific, significant - 1);
        const int exponent = ExponentOf(body);
        if (exponent >= -4 && exponent < significant)
            body = ToChars(magnitude, std::chars_format::fixed, significant - 1 - exponent);
        if (conv.alt)
            EnsurePoint(body);
        else
            StripFractionZeros(body);
        break;
    }
    }
    WidenExponent(body);
    if (upper) {
        for (char& c : body)
            if (c == 'e') c = 'E';
    }
    Emit(out, conv, sign, {}, body, conv.zero && !conv.left);
}

void FormatString(std::string& out, const Conversion& conv, std::string_view text) {
    if (conv.precision >= 0 && text.size() > static_cast<std::size_t>(conv.precision))
        text = text.substr(0, static_cast<std::size_t>(conv.precision));
    Emit(out, conv, {}, {}, text, false);
}

// Wide text is narrowed character by character; records are ASCII.
std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text != L'\0'; ++text)
        narrow += (*text >= 0 && *text < 0x80) ? static_cast<char>(*text) : '?';
    return narrow;
}

// Reads a signed integer argument of the given length. Arguments shorter
// than int arrive promoted and are converted back, as printf does.
std::intmax_t SignedArg(Length length, va_list& args) {
    switch (length) {
    case Length::Char:
        return static_cast<signed char>(va_arg(args, int));
    case Length::Short:
        return static_cast<short>(va_arg(args, int));
    case Length::Long:
        return va_arg(args, long);
    case Length::LongLong:
        return va_arg(args, long long);
    case Length::IntMax:
        return va_arg(args, std::intmax_t);
    case Length::Size:
        return static_cast<std::intmax_t>(va_arg(args, std::size_t));
    case Length::PtrDiff:
        return va_arg(args, std::ptrdiff_t);
    default:
        return va_arg(args, int);
    }
}

std::uintmax_t UnsignedArg(Length length, va_list& args) {
    switch (length) {
    case Length::Char:
        return static_cast<unsigned char>(va_arg(args, unsigned));
    case Length::Short:
        return static_cast<unsigned short>(va_arg(args, unsigned));
    case Length::Long:
        return va_arg(args, unsigned long);
    case Length::LongLong:
        return va_arg(args, unsigned long long);
    case Length::IntMax:
        return va_arg(args, std::uintmax_t);
    case Length::Size:
        return va_arg(args, std::size_t);
    case Length::PtrDiff:
        return static_cast<std::uintmax_t>(va_arg(args, std::ptrdiff_t));
    default:
        return va_arg(args, unsigned);
    }
}

int ReadNumber(const char*& p) {
    int number = 0;
    while (*p >= '0' && *p <= '9') {
        if (number < 100000000) number = number * 10 + (*p - '0');
        ++p;
    }
    return number;
}

} // namespace

std::string VSprintf(const char* fmt, va_list argsIn) {
    // A local copy can be passed by reference to the helpers on every ABI
    // (a va_list parameter may have decayed to a pointer).
    va_list args;
    va_copy(args, argsIn);
    std::string out;
    const char* p = fmt;
    while (*p != '\0') {
        if (*p != '%') {
            const char* literal = p;
            while (*p != '\0' && *p != '%')
                ++p;
            out.append(literal, p);
            continue;
        }
        const char* start = p++;
        Conversion conv;
        for (;; ++p) {
            if (*p == '-')
                conv.left = true;
            else if (*p == '+')
                conv.plus = true;
            else if (*p == ' ')
                conv.space = true;
            else if (*p == '0')
                conv.zero = true;
            else if (*p == '#')
                conv.alt = true;
            else
                break;
        }
        if (*p == '*') {
            ++p;
            conv.width = va_arg(args, int);
            // A negative '*' width means left adjustment.
            if (conv.width < 0) {
                conv.left = true;
                conv.width = conv.width == INT_MIN ? 0 : -conv.width;
            }
        } else {
            conv.width = ReadNumber(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                conv.precision = va_arg(args, int);
                if (conv.precision < 0) conv.precision = -1; // as if omitted
            } else {
                conv.precision = ReadNumber(p);
            }
        }
        switch (*p) {
        case 'h':
            ++p;
            conv.length = Length::Short;
            if (*p == 'h') {
                ++p;
                conv.length = Length::Char;
            }
            break;
        case 'l':
            ++p;
            conv.length = Length::Long;
            if (*p == 'l') {
                ++p;
                conv.length = Length::LongLong;
            }
            break;
        case 'L':
            conv.length = Length::LongDouble;
            break;
        case 'j':
            conv.length = Length::IntMax;
            break;
        case 'z':
            conv.length = Length::Size;
            break;
        case 't':
            conv.length = Length::PtrDiff;
            break;
        default:
            break;
        }
        if (*p == 'L' || *p == 'j' || *p == 'z' || *p == 't') ++p;
        conv.conversion = *p;
        switch (conv.conversion) {
        case 'd':
        case 'i':
            FormatSigned(out, conv, SignedArg(conv.length, args));
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            FormatInteger(out, conv, false, UnsignedArg(conv.length, args));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            // 'l' is accepted and ignored: a float argument is a double anyway.
            if (conv.length == Length::LongDouble)
                FormatFloating(out, conv, va_arg(args, long double));
            else
                FormatFloating(out, conv, va_arg(args, double));
            break;
        case 'c':
            if (conv.length == Length::Long) {
                const wint_t wide = va_arg(args, wint_t);
                const char c = wide < 0x80 ? static_cast<char>(wide) : '?';
                FormatString(out, conv, std::string_view(&c, 1));
            } else {
                const char c = static_cast<char>(va_arg(args, int));
                FormatString(out, conv, std::string_view(&c, 1));
            }
            break;
        case 's':
            if (conv.length == Length::Long) {
                const wchar_t* text = va_arg(args, const wchar_t*);
                FormatString(out, conv, text != nullptr ? Narrow(text) : std::string("(null)"));
            } else {
                const char* text = va_arg(args, const char*);
                FormatString(out, conv, text != nullptr ? text : "(null)");
            }
            break;
        case '%':
            out += '%';
            break;
        default:
            // Unknown or truncated directive: copy it, consume no argument.
            if (*p == '\0') {
                out.append(start, p);
                va_end(args);
                return out;
            }
            out.append(start, p + 1);
            break;
        }
        ++p;
    }
    va_end(args);
    return out;
}

std::string Sprintf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = VSprintf(fmt, args);
    va_end(args);
    return text;
}

} // namespace zel
