#include "ui/LeadingNumber.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

std::string_view Start(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                             text.front() == '\r' || text.front() == '\v' || text.front() == '\f'))
        text.remove_prefix(1);
    // from_chars takes only a '-'.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

} // namespace

double LeadingReal(std::string_view text) {
    text = Start(text);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

int LeadingInt(std::string_view text) {
    text = Start(text);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return !text.empty() && text.front() == '-' ? std::numeric_limits<int>::min()
                                                    : std::numeric_limits<int>::max();
    if (ec != std::errc()) return 0;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}
