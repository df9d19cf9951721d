#pragma once
// Little-endian bytes written by hand, independent of the archive: the oracle
// of the byte layouts of documents.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace analysistest {

using Bytes = std::vector<std::uint8_t>;

struct ByteWriter {
    Bytes b;
    ByteWriter& Byte(std::uint8_t v) {
        b.push_back(v);
        return *this;
    }
    ByteWriter& Word(std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    ByteWriter& Int(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
        return *this;
    }
    ByteWriter& Float(float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return Int(static_cast<std::int32_t>(u));
    }
    ByteWriter& Double(double d) {
        std::uint64_t u;
        std::memcpy(&u, &d, sizeof u);
        for (int i = 0; i < 8; ++i)
            b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
        return *this;
    }
    ByteWriter& Chars(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& String(const std::string& s) {
        b.push_back(static_cast<std::uint8_t>(s.size())); // short texts only
        return Chars(s);
    }
    ByteWriter& NewClass(const std::string& name) {
        return Word(0xFFFF).Word(0).Word(static_cast<std::uint16_t>(name.size())).Chars(name);
    }
    ByteWriter& Raw(const Bytes& bytes) {
        b.insert(b.end(), bytes.begin(), bytes.end());
        return *this;
    }
};

} // namespace analysistest
