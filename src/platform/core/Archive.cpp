#include "platform/core/Archive.h"
#include <cmath>

#include <algorithm>
#include <bit>
#include <map>
#include <mutex>

namespace zel {

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000;
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFE;
constexpr std::size_t kMaxClassNameLength = 64;

bool IsValidClassName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxClassNameLength &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, ObjectFactory, std::less<>> factories;
};

// Built on first use so registrations from other files' static initialisers are safe.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

ObjectFactory FindFactory(std::string_view name) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.factories.find(name);
    return it == r.factories.end() ? nullptr : it->second;
}

// Windows-1252 0x80..0x9F. The five bytes the code page leaves undefined map to
// the C1 control with the same value, as Windows itself converts them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (unsigned i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code point that starts at utf8[i], and in used the bytes it takes. A
// malformed sequence gives false, used covering its longest valid-looking
// start, so that it becomes one '?' in either encoding.
bool NextCodePoint(std::string_view utf8, std::size_t i, char32_t& cp, std::size_t& used) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 0;
    cp = b0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 < 0x80) {
        length = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0; // overlong
        if (b0 == 0xED) hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90; // overlong
        if (b0 == 0xF4) hi = 0x8F; // above U+10FFFF
    }
    used = 1;
    if (length == 0) return false;
    for (; used < length; ++used) {
        if (i + used >= utf8.size()) return false;
        const auto b = static_cast<unsigned char>(utf8[i + used]);
        if (used == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    return true;
}

// UTF-16 code units of UTF-8 text; a malformed sequence becomes one '?', as
// in the Windows-1252 form.
std::u16string EncodeUtf16(std::string_view utf8) {
    std::u16string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        std::size_t used = 0;
        const bool valid = NextCodePoint(utf8, i, cp, used);
        i += used;
        if (!valid) {
            out += u'?';
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

// UTF-8 of UTF-16 code units; a lone surrogate becomes '?'.
std::string DecodeUtf16(std::u16string_view utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

} // namespace

void CObject::Serialize(CArchive&) {}

void RegisterClass(std::string_view name, ObjectFactory factory) {
    if (!IsValidClassName(name))
        throw std::invalid_argument("Invalid class name '" + std::string(name) + "'.");
    if (factory == nullptr) throw std::invalid_argument("No factory for class '" + std::string(name) + "'.");
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (!r.factories.emplace(std::string(name), factory).second)
        throw std::logic_error("Class '" + std::string(name) + "' is registered twice.");
}

bool IsClassRegistered(std::string_view name) {
    return FindFactory(name) != nullptr;
}

std::unique_ptr<CObject> CreateRegisteredObject(std::string_view name) {
    ObjectFactory factory = FindFactory(name);
    return factory ? factory() : nullptr;
}

struct CArchive::LoadEntry {
    bool isClass = false;
    std::string className;           // class entries
    ObjectFactory factory = nullptr; // class entries
    std::uint32_t classIndex = 0;    // object entries
    CObject* object = nullptr;       // object entries
    std::unique_ptr<CObject> owned;  // object entries nobody has claimed yet
};

CArchive::CArchive() : m_storing(true) {}

CArchive::CArchive(std::vector<std::uint8_t> data)
    : m_storing(false), m_owned(std::move(data)), m_in(m_owned) {
    m_loaded.emplace_back();
}

CArchive::CArchive(std::span<const std::uint8_t> data) : m_storing(false), m_in(data) {
    m_loaded.emplace_back();
}

CArchive::~CArchive() = default;

void CArchive::RequireStoring() const {
    if (!m_storing) throw std::logic_error("Writing to an archive that is loading.");
}

void CArchive::RequireLoading() const {
    if (m_storing) throw std::logic_error("Reading from an archive that is storing.");
}

const std::uint8_t* CArchive::Take(std::size_t n) {
    RequireLoading();
    if (n > Remaining())
        throw CArchiveException(CArchiveException::Cause::EndOfFile, "Unexpected end of file.");
    const std::uint8_t* p = m_in.data() + m_pos;
    m_pos += n;
    return p;
}

std::uint16_t CArchive::ReadWord() {
    std::uint16_t v;
    GetLE(v);
    return v;
}

std::uint32_t CArchive::ReadDword() {
    std::uint32_t v;
    GetLE(v);
    return v;
}

void CArchive::CheckFinite(double v) const {
    if (!m_finiteRealsOnly || std::isfinite(v)) return;
    throw CArchiveException(CArchiveException::Cause::BadValue,
                            m_storing ? "Could not save the document: a number in it is not finite."
                                      : "Damaged file: a number in it is not finite.");
}

CArchive& CArchive::operator<<(float v) {
    CheckFinite(v);
    return PutLE(std::bit_cast<std::uint32_t>(v));
}
CArchive& CArchive::operator<<(double v) {
    CheckFinite(v);
    return PutLE(std::bit_cast<std::uint64_t>(v));
}

CArchive& CArchive::operator>>(float& v) {
    v = std::bit_cast<float>(ReadDword());
    CheckFinite(v);
    return *this;
}

CArchive& CArchive::operator>>(double& v) {
    std::uint64_t bits;
    GetLE(bits);
    v = std::bit_cast<double>(bits);
    CheckFinite(v);
    return *this;
}

void CArchive::WriteBytes(std::span<const std::uint8_t> bytes) {
    RequireStoring();
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
}

void CArchive::ReadBytes(std::span<std::uint8_t> out) {
    const std::uint8_t* p = Take(out.size());
    std::copy(p, p + out.size(), out.begin());
}

// ---------------------------------------------------------------------------
// Text

std::string CArchive::EncodeCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        std::size_t used = 0;
        const bool valid = NextCodePoint(utf8, i, cp, used);
        out += valid ? EncodeCodePoint(cp) : '?';
        i += used;
    }
    return out;
}

std::string CArchive::DecodeCp1252(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : char32_t{b});
        }
    }
    return out;
}

// The length prefix of a text: one byte below 0xFF, else 0xFF and a word
// below 0xFFFE, else 0xFF, 0xFFFF and a dword. The word 0xFFFE after 0xFF
// marks a text in UTF-16 (its length prefix follows, in code units): no
// Windows-1252 text has that prefix, so documents that hold only such texts
// keep the bytes they always had.
void CArchive::WriteStringLength(std::size_t n) {
    if (n < 0xFF) {
        PutLE(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        PutLE(std::uint8_t{0xFF});
        PutLE(static_cast<std::uint16_t>(n));
    } else if (n < 0xFFFFFFFF) {
        PutLE(std::uint8_t{0xFF});
        PutLE(std::uint16_t{0xFFFF});
        PutLE(static_cast<std::uint32_t>(n));
    } else {
        throw CArchiveException(CArchiveException::Cause::TooLarge, "Text too long to store.");
    }
}

void CArchive::WriteString(std::string_view utf8) {
    RequireStoring();
    const std::string text = EncodeCp1252(utf8);
    // Text that Windows-1252 holds whole is written in it; any other in
    // UTF-16, so that every character comes back.
    if (DecodeCp1252(text) == utf8) {
        WriteStringLength(text.size());
        m_out.insert(m_out.end(), text.begin(), text.end());
        return;
    }
    const std::u16string wide = EncodeUtf16(utf8);
    PutLE(std::uint8_t{0xFF});
    PutLE(std::uint16_t{0xFFFE});
    WriteStringLength(wide.size());
    for (char16_t unit : wide)
        PutLE(static_cast<std::uint16_t>(unit));
}

std::uint32_t CArchive::ReadStringLength(bool* wide) {
    std::uint8_t shortLength;
    GetLE(shortLength);
    if (shortLength != 0xFF) return shortLength;
    const std::uint16_t word = ReadWord();
    if (word == 0xFFFE) {
        if (!wide || *wide)
            throw CArchiveException(CArchiveException::Cause::Unsupported,
                                    "Unsupported Unicode text in file.");
        *wide = true;
        return ReadStringLength(nullptr);
    }
    return word == 0xFFFF ? ReadDword() : word;
}

std::string CArchive::ReadString() {
    bool wide = false;
    const std::uint32_t length = ReadStringLength(&wide);
    if (!wide) {
        const std::uint8_t* p = Take(length);
        return DecodeCp1252(std::string_view(reinterpret_cast<const char*>(p), length));
    }
    const std::uint8_t* p = Take(2 * std::size_t{length});
    std::u16string units(length, u'\0');
    for (std::uint32_t k = 0; k < length; ++k)
        units[k] = static_cast<char16_t>(p[2 * k] | (p[2 * k + 1] << 8));
    return DecodeUtf16(units);
}

// ---------------------------------------------------------------------------
// Counts

void CArchive::WriteCount(std::size_t n) {
    RequireStoring();
    if (n < 0xFFFF) {
        PutLE(static_cast<std::uint16_t>(n));
    } else if (n < 0xFFFFFFFF) {
        PutLE(std::uint16_t{0xFFFF});
        PutLE(static_cast<std::uint32_t>(n));
    } else {
        throw CArchiveException(CArchiveException::Cause::TooLarge, "Too many elements to store.");
    }
}

std::size_t CArchive::ReadCount(std::size_t minBytesPerElement) {
    const std::uint16_t word = ReadWord();
    const std::uint32_t count = word == 0xFFFF ? ReadDword() : word;
    return CheckUnsignedCount(count, minBytesPerElement);
}

std::size_t CArchive::CheckUnsignedCount(std::uint64_t count, std::size_t minBytesPerElement) const {
    if (count > kMaxCount || (minBytesPerElement > 0 && count > Remaining() / minBytesPerElement))
        ThrowBadCount(std::to_string(count));
    return static_cast<std::size_t>(count);
}

void CArchive::ThrowBadCount(const std::string& count) {
    throw CArchiveException(CArchiveException::Cause::BadCount,
                            "Invalid element count " + count + " in file.");
}

void CArchive::ThrowNullInList() {
    throw CArchiveException(CArchiveException::Cause::BadClass, "Unexpected empty object in file.");
}

// ---------------------------------------------------------------------------
// Tagged objects

std::uint32_t CArchive::NextMapIndex() {
    if (m_mapCount > kMaxMapCount)
        throw CArchiveException(CArchiveException::Cause::TooLarge, "Too many objects to store.");
    return m_mapCount++;
}

void CArchive::WriteIndexTag(std::uint32_t index, bool isClass) {
    if (index < kBigObjectTag) {
        PutLE(static_cast<std::uint16_t>(isClass ? (kClassTag | index) : index));
    } else {
        PutLE(kBigObjectTag);
        PutLE(isClass ? (kBigClassTag | index) : index);
    }
}

void CArchive::WriteObject(const CObject* object) {
    RequireStoring();
    if (object == nullptr) {
        PutLE(kNullTag);
        return;
    }
    if (auto it = m_storedObjects.find(object); it != m_storedObjects.end()) {
        WriteIndexTag(it->second, false);
        return;
    }
    const std::string name = object->ClassName();
    if (auto it = m_storedClasses.find(name); it != m_storedClasses.end()) {
        WriteIndexTag(it->second, true);
    } else {
        // Refuse here: a file naming an unregistered class could never be loaded.
        if (!IsClassRegistered(name))
            throw std::logic_error("Class '" + name + "' is not registered for storing.");
        PutLE(kNewClassTag);
        PutLE(std::uint16_t{0}); // schema
        PutLE(static_cast<std::uint16_t>(name.size()));
        m_out.insert(m_out.end(), name.begin(), name.end());
        m_storedClasses.emplace(name, NextMapIndex());
    }
    // Indexed before its data so that objects inside it can refer back to it.
    m_storedObjects.emplace(object, NextMapIndex());
    // Serialize both reads and writes, hence not const; stored objects are never const-defined.
    const_cast<CObject*>(object)->Serialize(*this);
}

CObject* CArchive::ReadObject() {
    return EntryObject(ReadEntry(Expectation{}));
}

CObject* CArchive::ReadObject(std::string_view expectedClassName) {
    return EntryObject(ReadEntry(Expectation{expectedClassName, nullptr, expectedClassName}));
}

CObject* CArchive::ReadObject(const ObjectCheck& accepts, std::string_view expectedName) {
    return EntryObject(ReadEntry(Expectation{{}, &accepts, expectedName}));
}

CObject* CArchive::EntryObject(std::uint32_t index) const {
    return index == 0 ? nullptr : m_loaded[index].object;
}

std::unique_ptr<CObject> CArchive::ClaimEntry(std::uint32_t index) {
    LoadEntry& entry = m_loaded[index];
    if (!entry.owned)
        throw CArchiveException(CArchiveException::Cause::BadIndex, "Invalid shared object in file.");
    return std::move(entry.owned);
}

void CArchive::CheckExpected(const Expectation& expected, std::uint32_t classIndex,
                             const CObject* object) const {
    const std::string& name = m_loaded[classIndex].className;
    const bool nameOk = expected.className.empty() || expected.className == name;
    const bool checkOk = object == nullptr || expected.accepts == nullptr || (*expected.accepts)(*object);
    if (!nameOk || !checkOk) {
        throw CArchiveException(CArchiveException::Cause::BadClass,
                                "Object of class '" + name + "' found where '" +
                                    std::string(expected.expectedName) + "' was expected.");
    }
}

std::uint32_t CArchive::ReadClassTail() {
    const std::uint16_t schema = ReadWord();
    const std::uint16_t length = ReadWord();
    if (length == 0 || length > kMaxClassNameLength)
        throw CArchiveException(CArchiveException::Cause::BadClass, "Invalid class name in file.");
    const std::uint8_t* p = Take(length);
    std::string name(reinterpret_cast<const char*>(p), length);
    if (!IsValidClassName(name))
        throw CArchiveException(CArchiveException::Cause::BadClass, "Invalid class name in file.");
    const ObjectFactory factory = FindFactory(name);
    if (factory == nullptr)
        throw CArchiveException(CArchiveException::Cause::BadClass,
                                "Unknown object class '" + name + "' in file.");
    if (schema != 0) {
        throw CArchiveException(CArchiveException::Cause::BadSchema, "Unexpected file format version " +
                                                                         std::to_string(schema) +
                                                                         " for class '" + name + "'.");
    }
    if (m_loaded.size() > kMaxMapCount)
        throw CArchiveException(CArchiveException::Cause::TooLarge, "Too many objects in file.");
    LoadEntry entry;
    entry.isClass = true;
    entry.className = std::move(name);
    entry.factory = factory;
    m_loaded.push_back(std::move(entry));
    return static_cast<std::uint32_t>(m_loaded.size() - 1);
}

std::uint32_t CArchive::ReadEntry(const Expectation& expected) {
    const std::uint16_t tag = ReadWord();
    std::uint32_t classIndex = 0;
    if (tag == kNewClassTag) {
        classIndex = ReadClassTail();
    } else {
        std::uint32_t index;
        bool isClass;
        if (tag == kBigObjectTag) {
            const std::uint32_t big = ReadDword();
            isClass = (big & kBigClassTag) != 0;
            index = big & ~kBigClassTag;
        } else {
            isClass = (tag & kClassTag) != 0;
            index = tag & ~kClassTag;
        }
        if (!isClass) {
            if (index == 0) return 0;
            if (index >= m_loaded.size() || m_loaded[index].isClass) {
                throw CArchiveException(CArchiveException::Cause::BadIndex,
                                        "Invalid object reference " + std::to_string(index) + " in file.");
            }
            CheckExpected(expected, m_loaded[index].classIndex, m_loaded[index].object);
            return index;
        }
        if (index == 0 || index >= m_loaded.size() || !m_loaded[index].isClass) {
            throw CArchiveException(CArchiveException::Cause::BadIndex,
                                    "Invalid class reference " + std::to_string(index) + " in file.");
        }
        classIndex = index;
    }

    // The class is checked before anything of its data is read.
    CheckExpected(expected, classIndex, nullptr);
    if (m_depth >= kMaxObjectDepth)
        throw CArchiveException(CArchiveException::Cause::TooDeep, "Objects nested too deeply in file.");
    if (m_loaded.size() > kMaxMapCount)
        throw CArchiveException(CArchiveException::Cause::TooLarge, "Too many objects in file.");

    std::unique_ptr<CObject> created = m_loaded[classIndex].factory();
    if (!created)
        throw std::logic_error("Factory of class '" + m_loaded[classIndex].className + "' made nothing.");
    CheckExpected(expected, classIndex, created.get());

    CObject* object = created.get();
    LoadEntry entry;
    entry.classIndex = classIndex;
    entry.object = object;
    entry.owned = std::move(created);
    // Indexed before its data so that objects inside it can refer back to it.
    m_loaded.push_back(std::move(entry));
    const auto index = static_cast<std::uint32_t>(m_loaded.size() - 1);

    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(m_depth);
    object->Serialize(*this);
    return index;
}

} // namespace zel
