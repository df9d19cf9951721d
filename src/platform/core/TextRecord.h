#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace zel {

// Lines of a text record. A blank record line is stored as a single blank,
// never as an empty string, so every stored line is non-empty.
class CTextRecord {
public:
    using const_iterator = std::vector<std::string>::const_iterator;

    void Add(std::string line) { m_lines.push_back(NonEmpty(std::move(line))); }

    // The record view puts its header lines in front of the body.
    void AddFront(std::string line) { m_lines.insert(m_lines.begin(), NonEmpty(std::move(line))); }

    std::size_t Size() const { return m_lines.size(); }
    const std::vector<std::string>& Lines() const { return m_lines; }
    void Clear() { m_lines.clear(); }

    const_iterator begin() const { return m_lines.begin(); }
    const_iterator end() const { return m_lines.end(); }

    // Every line terminated by "\n".
    std::string ToText() const {
        std::size_t size = 0;
        for (const std::string& line : m_lines)
            size += line.size() + 1;
        std::string text;
        text.reserve(size);
        for (const std::string& line : m_lines) {
            text += line;
            text += '\n';
        }
        return text;
    }

private:
    static std::string NonEmpty(std::string line) { return line.empty() ? std::string(" ") : line; }

    std::vector<std::string> m_lines;
};

} // namespace zel
