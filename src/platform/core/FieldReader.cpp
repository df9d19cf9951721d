#include "platform/core/FieldReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace zel {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The field's text after its leading white space.
std::string_view FieldText(std::string_view line, std::size_t column, std::size_t width) {
    if (column >= line.size()) return {};
    std::string_view field = line.substr(column, width);
    std::size_t first = 0;
    while (first < field.size() && IsSpace(field[first]))
        ++first;
    return field.substr(first);
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t n = 0;
    while (from + n < text.size() && IsDigit(text[from + n]))
        ++n;
    return n;
}

} // namespace

bool ReadIntField(std::string_view line, std::size_t column, std::size_t width, int& value) {
    const std::string_view text = FieldText(line, column, width);
    std::size_t pos = 0;
    const bool hasSign = !text.empty() && (text[0] == '+' || text[0] == '-');
    if (hasSign) ++pos;
    const std::size_t digits = CountDigits(text, pos);
    if (digits == 0) return false;

    // from_chars takes '-' but not '+'.
    const char* first = text.data() + (hasSign && text[0] == '+' ? 1 : 0);
    const char* last = text.data() + pos + digits;
    int parsed = 0;
    if (std::from_chars(first, last, parsed).ec != std::errc()) return false;
    value = parsed;
    return true;
}

bool ReadRealField(std::string_view line, std::size_t column, std::size_t width, double& value) {
    const std::string_view text = FieldText(line, column, width);
    std::size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++pos;

    const std::size_t mantissaBegin = pos;
    const std::size_t integerDigits = CountDigits(text, pos);
    pos += integerDigits;
    std::size_t fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        fractionDigits = CountDigits(text, pos + 1);
        ++pos;
        pos += fractionDigits;
    }
    if (integerDigits + fractionDigits == 0) return false;
    const std::string_view mantissa = text.substr(mantissaBegin, pos - mantissaBegin);

    // The exponent counts only if digits follow the letter (and its sign);
    // otherwise the number ends before the letter, as with strtod.
    std::string_view exponent;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
        std::size_t end = pos + 1;
        if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
        const std::size_t exponentDigits = CountDigits(text, end);
        if (exponentDigits > 0) exponent = text.substr(pos + 1, end + exponentDigits - (pos + 1));
    }

    // Rebuilt in the form from_chars accepts: no leading '+', 'e' for the
    // Fortran 'D'.
    std::string number;
    number.reserve(mantissa.size() + exponent.size() + 2);
    if (negative) number += '-';
    number += mantissa;
    if (!exponent.empty()) {
        number += 'e';
        number += exponent;
    }

    double parsed = 0.0;
    const std::from_chars_result result =
        std::from_chars(number.data(), number.data() + number.size(), parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars reports underflow and overflow alike. Decide from the
        // decimal order of the leading digit: below 1 means underflow,
        // which strtod turns into zero; overflow is a bad field.
        std::size_t leading = 0;
        while (leading < mantissa.size() && (mantissa[leading] == '0' || mantissa[leading] == '.'))
            ++leading;
        const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
        long order =
            leading < point ? static_cast<long>(point - leading) - 1 : -static_cast<long>(leading - point);
        // Exponents beyond any double range are clamped; only the sign of
        // the total matters.
        long exponentValue = 0;
        std::size_t i = 0;
        const bool exponentNegative = !exponent.empty() && exponent[0] == '-';
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) ++i;
        for (; i < exponent.size(); ++i)
            if (exponentValue < 100000) exponentValue = exponentValue * 10 + (exponent[i] - '0');
        order += exponentNegative ? -exponentValue : exponentValue;
        if (order >= 0) return false;
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (result.ec != std::errc() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::string Trim(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

} // namespace zel
