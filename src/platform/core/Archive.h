#pragma once

// Binary document archive, byte-compatible with the Windows framework format
// that *.zlm documents have always used.
//
// One CArchive either stores (into an in-memory buffer the caller writes to a
// file) or loads (from bytes the caller read). Loading never trusts the bytes:
// every problem in the data ends the load with a CArchiveException carrying an
// English message for the user. The document loader catches CArchiveException
// at the top of a load, discards the half-built document and shows what().
// Programming errors (reading from a storing archive, writing an unregistered
// class) throw std::logic_error instead, so they are not mistaken for bad files.
//
// Scalars are little-endian, written with operator<< and read with operator>>
// for exactly these types:
//   char, signed char, unsigned char        1 byte  (BYTE)
//   short, unsigned short                   2 bytes (WORD)
//   int, unsigned                           4 bytes (LONG, DWORD)
//   long long, unsigned long long           8 bytes
//   float, double                           4 / 8 bytes, IEEE 754
//   std::string                             length-prefixed Windows-1252 text, or
//                                           UTF-16 behind the marker 0xFF 0xFFFE
//                                           when Windows-1252 cannot hold it
// Any other type (bool, long, size_t, enums, pointers, string literals) does not
// compile: `long` is 8 bytes here but the original LONG was 4, so the width must
// be chosen explicitly with a cast. Use `long long` for 64-bit values
// (std::int64_t is `long` on Linux and is refused for the same reason).

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace zel {

class CArchive;

class CArchiveException : public std::runtime_error {
public:
    enum class Cause {
        EndOfFile,   // data ends early
        BadCount,    // element count the remaining data cannot hold
        BadIndex,    // class or object reference to an undefined entry
        BadClass,    // unknown, malformed or unexpected class
        BadSchema,   // class stored with a version we do not read
        Unsupported, // valid in the format but not read by us (Unicode text)
        TooDeep,     // objects nested beyond kMaxObjectDepth
        TooLarge,    // more objects, elements or text than the format can express
        BadValue,    // a value the data may not hold (a number that is not finite)
    };

    CArchiveException(Cause cause, const std::string& message)
        : std::runtime_error(message), m_cause(cause) {}
    Cause GetCause() const noexcept { return m_cause; }

private:
    Cause m_cause;
};

// Root of every class written as a tagged object.
class CObject {
public:
    static constexpr const char* kClassName = "CObject";

    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);
    // The name stored in files; must match the name the class is registered under.
    virtual const char* ClassName() const { return "CObject"; }
};

using ObjectFactory = std::unique_ptr<CObject> (*)();

// Registers a class that files may name. Names are 1..64 printable ASCII
// characters. Throws std::invalid_argument for a bad name and std::logic_error
// when the name is already taken. Safe to call during static initialisation.
void RegisterClass(std::string_view name, ObjectFactory factory);
bool IsClassRegistered(std::string_view name);
// A new default object of a registered class; nullptr for an unknown name.
std::unique_ptr<CObject> CreateRegisteredObject(std::string_view name);

template <class T> struct ClassRegistration {
    ClassRegistration() {
        RegisterClass(T::kClassName, []() -> std::unique_ptr<CObject> { return std::make_unique<T>(); });
    }
};

// In the class body (leaves access public):   ZEL_DECLARE_SERIAL(CAtom);
// In the class's .cpp, inside its namespace:   ZEL_IMPLEMENT_SERIAL(CAtom);
// The registration runs only if the linker keeps that .cpp's object file; code
// that is never referenced from elsewhere must call RegisterClass itself.
#define ZEL_DECLARE_SERIAL(cls)                                                                              \
public:                                                                                                      \
    static constexpr const char* kClassName = #cls;                                                          \
    const char* ClassName() const override {                                                                 \
        return kClassName;                                                                                   \
    }                                                                                                        \
    static_assert(true)

#define ZEL_IMPLEMENT_SERIAL(cls)                                                                            \
    [[maybe_unused]] static const ::zel::ClassRegistration<cls> zelRegistration_##cls

class CArchive {
public:
    // Largest count ReadCount/CheckCount accept, whatever the file size.
    static constexpr std::size_t kMaxCount = std::size_t{1} << 28;
    // Objects whose Serialize reads further objects may nest this deep.
    static constexpr int kMaxObjectDepth = 256;

    enum class NullPolicy { Refuse, Allow };
    // Accepts or refuses an object read from a file before its data is read.
    using ObjectCheck = std::function<bool(const CObject&)>;

    // Storing archive; the result is in Bytes().
    CArchive();
    // Loading archive owning its bytes.
    explicit CArchive(std::vector<std::uint8_t> data);
    // Loading archive over bytes the caller keeps alive while it is in use.
    explicit CArchive(std::span<const std::uint8_t> data);
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const noexcept { return m_storing; }

    // Refuse reals that are not finite (NaN, infinity) in either direction
    // with a CArchiveException: documents hold none, so one read means damage,
    // and one written would make a document that no longer opens.
    void SetFiniteRealsOnly(bool on) noexcept { m_finiteRealsOnly = on; }
    bool IsLoading() const noexcept { return !m_storing; }

    const std::vector<std::uint8_t>& Bytes() const noexcept { return m_out; }
    std::size_t Position() const noexcept { return m_pos; } // bytes consumed so far (loading)
    std::size_t Remaining() const noexcept { return m_in.size() - m_pos; }
    bool AtEnd() const noexcept { return m_pos == m_in.size(); }

    // --- scalars -----------------------------------------------------------
    CArchive& operator<<(char v) { return PutLE(static_cast<std::uint8_t>(v)); }
    CArchive& operator<<(signed char v) { return PutLE(static_cast<std::uint8_t>(v)); }
    CArchive& operator<<(unsigned char v) { return PutLE(v); }
    CArchive& operator<<(short v) { return PutLE(static_cast<std::uint16_t>(v)); }
    CArchive& operator<<(unsigned short v) { return PutLE(v); }
    CArchive& operator<<(int v) { return PutLE(static_cast<std::uint32_t>(v)); }
    CArchive& operator<<(unsigned v) { return PutLE(v); }
    CArchive& operator<<(long long v) { return PutLE(static_cast<std::uint64_t>(v)); }
    CArchive& operator<<(unsigned long long v) { return PutLE(v); }
    CArchive& operator<<(float v);
    CArchive& operator<<(double v);
    CArchive& operator<<(const std::string& v) {
        WriteString(v);
        return *this;
    }
    // Everything else is refused at compile time; see the top of this file.
    template <class T> CArchive& operator<<(const T&) = delete;

    CArchive& operator>>(char& v) { return GetLE(v); }
    CArchive& operator>>(signed char& v) { return GetLE(v); }
    CArchive& operator>>(unsigned char& v) { return GetLE(v); }
    CArchive& operator>>(short& v) { return GetLE(v); }
    CArchive& operator>>(unsigned short& v) { return GetLE(v); }
    CArchive& operator>>(int& v) { return GetLE(v); }
    CArchive& operator>>(unsigned& v) { return GetLE(v); }
    CArchive& operator>>(long long& v) { return GetLE(v); }
    CArchive& operator>>(unsigned long long& v) { return GetLE(v); }
    CArchive& operator>>(float& v);
    CArchive& operator>>(double& v);
    CArchive& operator>>(std::string& v) {
        v = ReadString();
        return *this;
    }
    template <class T> CArchive& operator>>(T&) = delete;

    void WriteBytes(std::span<const std::uint8_t> bytes);
    void ReadBytes(std::span<std::uint8_t> out);

    // --- text --------------------------------------------------------------
    // UTF-8 in memory, Windows-1252 in the file, behind a 1-, 3- or 7-byte
    // length prefix. Characters Windows-1252 lacks are written as '?'.
    void WriteString(std::string_view utf8);
    std::string ReadString();

    // The conversions the string functions use.
    static std::string EncodeCp1252(std::string_view utf8);
    static std::string DecodeCp1252(std::string_view cp1252);

    // --- counts ------------------------------------------------------------
    // WORD below 0xFFFF, else WORD 0xFFFF then DWORD.
    void WriteCount(std::size_t n);
    // Refuses a count above kMaxCount or one that the remaining bytes cannot
    // hold at minBytesPerElement each (0: only the absolute limit applies).
    std::size_t ReadCount(std::size_t minBytesPerElement = 1);

    // The same check for counts a document wrote as a plain integer.
    template <std::integral T> std::size_t CheckCount(T count, std::size_t minBytesPerElement = 1) const {
        if constexpr (std::is_signed_v<T>) {
            if (count < 0) ThrowBadCount(std::to_string(count));
        }
        return CheckUnsignedCount(static_cast<std::uint64_t>(count), minBytesPerElement);
    }

    // --- tagged objects ----------------------------------------------------
    // Writes a null tag, a back-reference to an object written earlier in this
    // archive, or the class tag, then the object's Serialize.
    void WriteObject(const CObject* object);

    // Reads an object of any registered class. The pointer does not own: a new
    // object stays with the archive (and dies with it) until ReadOwnedObject or
    // ReadObjectList claims it; a back-reference yields the object read before.
    // Claimed objects must outlive the load.
    CObject* ReadObject();
    // Refuses any class other than the named one.
    CObject* ReadObject(std::string_view expectedClassName);
    // Refuses objects `accepts` rejects; expectedName goes into the message.
    CObject* ReadObject(const ObjectCheck& accepts, std::string_view expectedName);

    // The object must be a T (or derived from it). T needs a kClassName for messages.
    template <class T> T* ReadObjectAs() { return dynamic_cast<T*>(EntryObject(ReadEntry(KindOf<T>()))); }

    // Takes ownership of a T; nullptr for a null tag. Refuses an object that an
    // earlier read already handed to an owner.
    template <class T> std::unique_ptr<T> ReadOwnedObject() {
        const std::uint32_t index = ReadEntry(KindOf<T>());
        if (index == 0) return nullptr;
        std::unique_ptr<CObject> object = ClaimEntry(index);
        T* typed = dynamic_cast<T*>(object.get());
        object.release();
        return std::unique_ptr<T>(typed);
    }

    // Count, then each element by WriteObject. Elements: raw or smart pointers.
    template <class Range> void WriteObjectList(const Range& list) {
        WriteCount(std::size(list));
        for (const auto& element : list)
            WriteObject(ObjectPointer(element));
    }

    template <class T> std::vector<std::unique_ptr<T>> ReadObjectList(NullPolicy nulls = NullPolicy::Refuse) {
        const std::size_t count = ReadCount(kMinObjectBytes);
        std::vector<std::unique_ptr<T>> list;
        list.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            list.push_back(ReadOwnedObject<T>());
            if (!list.back() && nulls == NullPolicy::Refuse) ThrowNullInList();
        }
        return list;
    }

private:
    void CheckFinite(double v) const;
    static constexpr std::size_t kMinObjectBytes = 2; // a tag is at least one WORD

    struct Expectation {
        std::string_view className; // exact registered name; empty: any
        const ObjectCheck* accepts = nullptr;
        std::string_view expectedName;
    };

    struct LoadEntry;

    template <class T> static Expectation KindOf() {
        static_assert(
            requires { T::kClassName; }, "declare the class with ZEL_DECLARE_SERIAL or a kClassName");
        if constexpr (std::is_same_v<T, CObject>) {
            return Expectation{};
        } else {
            static const ObjectCheck isT = [](const CObject& o) {
                return dynamic_cast<const T*>(&o) != nullptr;
            };
            return Expectation{{}, &isT, T::kClassName};
        }
    }

    template <class E> static const CObject* ObjectPointer(const E& element) {
        if constexpr (std::is_pointer_v<E>) {
            return element;
        } else {
            return element.get();
        }
    }

    template <class U> CArchive& PutLE(U v) {
        RequireStoring();
        for (std::size_t i = 0; i < sizeof(U); ++i)
            m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }

    template <class T> CArchive& GetLE(T& v) {
        using U = std::make_unsigned_t<T>;
        const std::uint8_t* p = Take(sizeof(U));
        U u = 0;
        for (std::size_t i = 0; i < sizeof(U); ++i)
            u = static_cast<U>(u | (U{p[i]} << (8 * i)));
        v = static_cast<T>(u);
        return *this;
    }

    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    const std::uint8_t* Take(std::size_t n);
    void RequireStoring() const;
    void RequireLoading() const;

    std::size_t CheckUnsignedCount(std::uint64_t count, std::size_t minBytesPerElement) const;
    [[noreturn]] static void ThrowBadCount(const std::string& count);
    void WriteStringLength(std::size_t n);
    // Sets *wide at the UTF-16 marker (refused where wide is null or set).
    std::uint32_t ReadStringLength(bool* wide);
    [[noreturn]] static void ThrowNullInList();

    void WriteIndexTag(std::uint32_t index, bool isClass);
    std::uint32_t NextMapIndex();
    std::uint32_t ReadEntry(const Expectation& expected);
    std::uint32_t ReadClassTail();
    void CheckExpected(const Expectation& expected, std::uint32_t classIndex, const CObject* object) const;
    CObject* EntryObject(std::uint32_t index) const;
    std::unique_ptr<CObject> ClaimEntry(std::uint32_t index);

    bool m_storing;
    bool m_finiteRealsOnly = false;
    std::vector<std::uint8_t> m_out;

    std::vector<std::uint8_t> m_owned;
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;

    // Classes and objects share one index sequence; 0 stands for null.
    std::uint32_t m_mapCount = 1;
    std::unordered_map<const CObject*, std::uint32_t> m_storedObjects;
    std::unordered_map<std::string, std::uint32_t> m_storedClasses;
    std::vector<LoadEntry> m_loaded;
    int m_depth = 0;
};

} // namespace zel
