#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using zel::CArchive;
using zel::CArchiveException;
using Bytes = std::vector<std::uint8_t>;
using Cause = CArchiveException::Cause;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Ascii(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

class CTestPoint : public zel::CObject {
    ZEL_DECLARE_SERIAL(CTestPoint);

    CTestPoint() { ++live; }
    CTestPoint(int i, double v) : id(i), x(v) { ++live; }
    ~CTestPoint() override { --live; }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << id << x;
        } else {
            ar >> id >> x;
        }
    }

    static inline int live = 0;
    int id = 0;
    double x = 0;
};

class CTestLabel : public zel::CObject {
    ZEL_DECLARE_SERIAL(CTestLabel);

    CTestLabel() = default;
    explicit CTestLabel(std::string t) : text(std::move(t)) {}
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << text;
        } else {
            ar >> text;
        }
    }
    std::string text;
};

// Refers to another object without owning it.
class CTestLink : public zel::CObject {
    ZEL_DECLARE_SERIAL(CTestLink);

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteObject(target);
        } else {
            target = ar.ReadObject();
        }
    }
    zel::CObject* target = nullptr;
};

// Owns a child of its own kind: lets a file nest objects arbitrarily deep.
class CTestNode : public zel::CObject {
    ZEL_DECLARE_SERIAL(CTestNode);

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteObject(child.get());
        } else {
            child = ar.ReadOwnedObject<CTestNode>();
        }
    }
    std::unique_ptr<CTestNode> child;
};

ZEL_IMPLEMENT_SERIAL(CTestPoint);
ZEL_IMPLEMENT_SERIAL(CTestLabel);
ZEL_IMPLEMENT_SERIAL(CTestLink);
ZEL_IMPLEMENT_SERIAL(CTestNode);

const Bytes kPointClass = Cat({{0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00}, Ascii("CTestPoint")});
const Bytes kLabelClass = Cat({{0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00}, Ascii("CTestLabel")});
const Bytes kLinkClass = Cat({{0xFF, 0xFF, 0x00, 0x00, 0x09, 0x00}, Ascii("CTestLink")});
// CTestPoint data: id 1, x 0.5
const Bytes kPointData = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F};

// ---------------------------------------------------------------------------
// Scalars, text and counts

TEST(ArchiveScalars, LittleEndianBytesOfEveryTypeRoundTrip) {
    CArchive out;
    out << 'A' << static_cast<unsigned char>(0xAB) << static_cast<signed char>(-2) << static_cast<short>(-2)
        << static_cast<unsigned short>(0x1234) << -2 << 0x89ABCDEFu << -2LL << 0x0102030405060708ULL << 1.5f
        << -2.0;
    const Bytes expected = {0x41, 0xAB, 0xFE, 0xFE, 0xFF, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                            0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                            0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00,
                            0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0};
    ASSERT_EQ(out.Bytes(), expected);

    CArchive in(expected);
    char c;
    unsigned char uc;
    signed char sc;
    short s;
    unsigned short us;
    int i;
    unsigned u;
    long long ll;
    unsigned long long ull;
    float f;
    double d;
    in >> c >> uc >> sc >> s >> us >> i >> u >> ll >> ull >> f >> d;
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(uc, 0xAB);
    EXPECT_EQ(sc, -2);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(us, 0x1234);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(u, 0x89ABCDEFu);
    EXPECT_EQ(ll, -2);
    EXPECT_EQ(ull, 0x0102030405060708ULL);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -2.0);
    EXPECT_TRUE(in.AtEnd());
}

TEST(ArchiveText, LengthPrefixGrowsAtEachBoundary) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'q');
        CArchive out;
        out << text;
        const Bytes& bytes = out.Bytes();
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(c.prefix.size())), c.prefix);

        CArchive in(bytes);
        std::string back;
        in >> back;
        EXPECT_EQ(back, text);
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ArchiveText, ReadsTheLongPrefixFormsEvenForShortText) {
    // Other writers may use a longer prefix than needed; the length is what counts.
    CArchive word(Bytes{0xFF, 0x02, 0x00, 'h', 'i'});
    EXPECT_EQ(word.ReadString(), "hi");
    CArchive dword(Bytes{0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h', 'i'});
    EXPECT_EQ(dword.ReadString(), "hi");
}

TEST(ArchiveText, Utf8ToCp1252) {
    struct Case {
        const char* utf8;
        Bytes cp1252;
    };
    const Case cases[] = {
        {"plain ASCII", Ascii("plain ASCII")},
        {"é", {0xE9}},
        {"€", {0x80}},
        {"Ÿ", {0x9F}},
        {"ÿ", {0xFF}},
        {"\u00A0", {0xA0}},
        {"\u0081\u008D\u008F\u0090\u009D", {0x81, 0x8D, 0x8F, 0x90, 0x9D}}, // undefined bytes survive
        {"\u0080", {'?'}},                                                  // C1 control without a byte
        {"中", {'?'}},
        {"a😀b", {'a', '?', 'b'}},
        // Malformed UTF-8: one '?' per broken sequence.
        {"\xC3", {'?'}},
        {"\xE2\x82x", {'?', 'x'}},
        {"\xC0\xAF", {'?', '?'}},
        {"\xED\xA0\x80", {'?', '?', '?'}},          // surrogate
        {"\xF4\x90\x80\x80", {'?', '?', '?', '?'}}, // above U+10FFFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const std::string encoded = CArchive::EncodeCp1252(c.utf8);
        EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), c.cp1252);
    }
    // Embedded NULs are text like any other.
    EXPECT_EQ(CArchive::EncodeCp1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(ArchiveText, Cp1252ToUtf8) {
    // 0x80..0x9F as Windows converts them, the undefined ones to the C1 control of the same value.
    std::string high;
    for (int b = 0x80; b < 0xA0; ++b)
        high += static_cast<char>(b);
    EXPECT_EQ(CArchive::DecodeCp1252(high), "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
    EXPECT_EQ(CArchive::DecodeCp1252("\xA0\xE9\xFF"), "\u00A0éÿ");

    // Every byte value survives a trip through UTF-8.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(CArchive::EncodeCp1252(CArchive::DecodeCp1252(all)), all);
}

TEST(ArchiveText, StringsAreConvertedOnTheWayInAndOut) {
    CArchive out;
    out << std::string("é€");
    ASSERT_EQ(out.Bytes(), (Bytes{0x02, 0xE9, 0x80}));
    CArchive in(out.Bytes());
    EXPECT_EQ(in.ReadString(), "é€");
}

// Text that Windows-1252 cannot hold goes in UTF-16 behind 0xFF 0xFFFE, so
// every character comes back; other text keeps its one-byte form.
TEST(ArchiveText, TextBeyondWindows1252GoesInUtf16) {
    struct Case {
        std::string utf8;
        Bytes bytes;
    };
    const Case cases[] = {
        {"\u03C1 e/bohr\u00B3", {0xFF, 0xFE, 0xFF, 0x09, 0xC1, 0x03, ' ',  0x00, 'e',  0x00, '/',
                                 0x00, 'b',  0x00, 'o',  0x00, 'h',  0x00, 'r',  0x00, 0xB3, 0x00}},
        {"a\U0001F600", {0xFF, 0xFE, 0xFF, 0x03, 'a', 0x00, 0x3D, 0xD8, 0x00, 0xDE}}, // a surrogate pair
        {"\u0080", {0xFF, 0xFE, 0xFF, 0x01, 0x80, 0x00}},
        {"\u00B3\u20AC", {0x02, 0xB3, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        CArchive out;
        out << c.utf8;
        EXPECT_EQ(out.Bytes(), c.bytes);
        CArchive in(out.Bytes());
        EXPECT_EQ(in.ReadString(), c.utf8);
        EXPECT_TRUE(in.AtEnd());
    }
    // Long text takes the word form of the length after the marker.
    const std::string longText = "\u03C1" + std::string(300, 'x');
    CArchive out;
    out << longText;
    ASSERT_GE(out.Bytes().size(), 6u);
    EXPECT_EQ(Bytes(out.Bytes().begin(), out.Bytes().begin() + 6),
              (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2D, 0x01}));
    CArchive in(out.Bytes());
    EXPECT_EQ(in.ReadString(), longText);
    // Malformed UTF-8 is one '?' per broken sequence; a lone surrogate read
    // back is '?'.
    CArchive broken;
    broken << std::string("\u03C1\xC3");
    CArchive back(broken.Bytes());
    EXPECT_EQ(back.ReadString(), "\u03C1?");
    CArchive lone(Bytes{0xFF, 0xFE, 0xFF, 0x02, 0x00, 0xD8, 'x', 0x00});
    EXPECT_EQ(lone.ReadString(), "?x");
}

TEST(ArchiveCounts, WordFormBelow0xFFFFAndDwordFormFromIt) {
    struct Case {
        std::size_t n;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x01234567, {0xFF, 0xFF, 0x67, 0x45, 0x23, 0x01}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        CArchive out;
        out.WriteCount(c.n);
        EXPECT_EQ(out.Bytes(), c.bytes);
        CArchive in(c.bytes);
        EXPECT_EQ(in.ReadCount(0), c.n);
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ArchiveCounts, RefusesCountsTheRemainingBytesCannotHold) {
    const Bytes eight(8, 0);
    CArchive in{std::span<const std::uint8_t>(eight)};
    EXPECT_EQ(in.CheckCount(8), 8u);
    EXPECT_EQ(in.CheckCount(4, 2), 4u);
    EXPECT_EQ(in.CheckCount(CArchive::kMaxCount, 0), CArchive::kMaxCount);

    struct Case {
        long long count;
        std::size_t minBytes;
        const char* message;
    };
    const Case refused[] = {
        {9, 1, "Invalid element count 9 in file."},
        {5, 2, "Invalid element count 5 in file."},
        {-1, 1, "Invalid element count -1 in file."},
        {static_cast<long long>(CArchive::kMaxCount) + 1, 0, "Invalid element count 268435457 in file."},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.count);
        try {
            in.CheckCount(c.count, c.minBytes);
            ADD_FAILURE() << "accepted";
        } catch (const CArchiveException& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.GetCause(), Cause::BadCount);
        }
    }
    EXPECT_THROW(in.CheckCount(~0ULL, 0), CArchiveException);
}

// ---------------------------------------------------------------------------
// Tagged objects

TEST(ArchiveObjects, InterleavedClassesGetSharedIndicesAndRoundTripByteExactly) {
    std::vector<std::unique_ptr<zel::CObject>> items;
    items.push_back(std::make_unique<CTestPoint>(1, 0.5));
    items.push_back(std::make_unique<CTestLabel>("ab"));
    items.push_back(std::make_unique<CTestPoint>(2, -1.0));
    items.push_back(std::make_unique<CTestLabel>(""));

    CArchive out;
    out.WriteObjectList(items);
    // Index 1: CTestPoint, 2: first point, 3: CTestLabel, 4: "ab", 5: second point, 6: "".
    // clang-format off
    const Bytes expected = Cat({{0x04, 0x00},
                                kPointClass, kPointData,
                                kLabelClass, {0x02, 'a', 'b'},
                                {0x01, 0x80}, {0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0xBF},
                                {0x03, 0x80}, {0x00}});
    // clang-format on
    ASSERT_EQ(out.Bytes(), expected);

    CArchive in(expected);
    const auto back = in.ReadObjectList<zel::CObject>();
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(back.size(), 4u);
    const auto* p2 = dynamic_cast<const CTestPoint*>(back[2].get());
    const auto* l1 = dynamic_cast<const CTestLabel*>(back[1].get());
    ASSERT_TRUE(p2 && l1);
    EXPECT_EQ(p2->id, 2);
    EXPECT_EQ(p2->x, -1.0);
    EXPECT_EQ(l1->text, "ab");

    CArchive again;
    again.WriteObjectList(back);
    EXPECT_EQ(again.Bytes(), expected);
}

TEST(ArchiveObjects, NullAndBackReferencesIncludingSelf) {
    CTestPoint point(1, 0.5);
    CTestLink link;
    link.target = &point;
    CTestLink self;
    self.target = &self;

    CArchive out;
    out.WriteObject(&point);
    out.WriteObject(&link);
    out.WriteObject(&point);
    out.WriteObject(nullptr);
    out.WriteObject(&self);
    // 1: CTestPoint, 2: point, 3: CTestLink, 4: link, 5: self (indexed before its data).
    // clang-format off
    const Bytes expected = Cat({kPointClass, kPointData,
                                kLinkClass, {0x02, 0x00},
                                {0x02, 0x00},
                                {0x00, 0x00},
                                {0x03, 0x80}, {0x05, 0x00}});
    // clang-format on
    ASSERT_EQ(out.Bytes(), expected);

    CArchive in(expected);
    zel::CObject* readPoint = in.ReadObject("CTestPoint");
    const auto* readLink = in.ReadObjectAs<CTestLink>();
    ASSERT_TRUE(readPoint && readLink);
    EXPECT_EQ(readLink->target, readPoint);
    EXPECT_EQ(in.ReadObject(), readPoint);
    EXPECT_EQ(in.ReadObject(), nullptr);
    const auto* readSelf = in.ReadObjectAs<CTestLink>();
    ASSERT_NE(readSelf, nullptr);
    EXPECT_EQ(readSelf->target, readSelf);
    EXPECT_TRUE(in.AtEnd());
}

TEST(ArchiveObjects, IndicesFrom0x7FFFUseTheBigTagForm) {
    // 0x7FFF points take indices 2..0x8000, so the label class lands on 0x8001.
    std::vector<std::unique_ptr<CTestPoint>> points;
    for (int i = 0; i < 0x7FFF; ++i)
        points.push_back(std::make_unique<CTestPoint>(i, 0.0));
    CTestLabel a("a"), b("b");

    CArchive out;
    for (const auto& p : points)
        out.WriteObject(p.get());
    const std::size_t tail = out.Bytes().size();
    out.WriteObject(&a);
    out.WriteObject(&b);
    out.WriteObject(points.back().get());
    out.WriteObject(points.front().get());
    out.WriteObject(points[0x7FFC].get());
    out.WriteObject(points[0x7FFD].get());

    // clang-format off
    const Bytes expected = Cat({kLabelClass, {0x01, 'a'},
                                {0xFF, 0x7F, 0x01, 0x80, 0x00, 0x80}, {0x01, 'b'}, // class 0x8001
                                {0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00},              // object 0x8000
                                {0x02, 0x00},
                                {0xFE, 0x7F},                                      // object 0x7FFE
                                {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x00}});            // object 0x7FFF
    // clang-format on
    ASSERT_EQ(Bytes(out.Bytes().begin() + static_cast<long>(tail), out.Bytes().end()), expected);

    CArchive in(out.Bytes());
    std::vector<zel::CObject*> read;
    for (int i = 0; i < 0x7FFF; ++i)
        read.push_back(in.ReadObject());
    EXPECT_EQ(in.ReadObjectAs<CTestLabel>()->text, "a");
    EXPECT_EQ(in.ReadObjectAs<CTestLabel>()->text, "b");
    EXPECT_EQ(in.ReadObject(), read.back());
    EXPECT_EQ(in.ReadObject(), read.front());
    EXPECT_EQ(in.ReadObject(), read[0x7FFC]);
    EXPECT_EQ(in.ReadObject(), read[0x7FFD]);
    EXPECT_EQ(dynamic_cast<CTestPoint*>(read[0x7FFD])->id, 0x7FFD);
    EXPECT_TRUE(in.AtEnd());
}

TEST(ArchiveObjects, ListsMayHoldNullsOnlyWhenAllowed) {
    const Bytes bytes = Cat({{0x02, 0x00, 0x00, 0x00}, kPointClass, kPointData});
    CArchive allow(bytes);
    const auto list = allow.ReadObjectList<CTestPoint>(CArchive::NullPolicy::Allow);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], nullptr);
    EXPECT_EQ(list[1]->id, 1);

    CArchive refuse(bytes);
    EXPECT_THROW(refuse.ReadObjectList<CTestPoint>(), CArchiveException);
}

TEST(ArchiveObjects, NestingUpToTheLimitLoads) {
    auto chain = [](int depth) {
        CTestNode root;
        CTestNode* node = &root;
        for (int i = 1; i < depth; ++i) {
            node->child = std::make_unique<CTestNode>();
            node = node->child.get();
        }
        CArchive out;
        out.WriteObject(&root);
        return out.Bytes();
    };
    CArchive ok(chain(CArchive::kMaxObjectDepth));
    EXPECT_NO_THROW(ok.ReadOwnedObject<CTestNode>());

    CArchive deep(chain(CArchive::kMaxObjectDepth + 1));
    try {
        deep.ReadOwnedObject<CTestNode>();
        ADD_FAILURE() << "accepted";
    } catch (const CArchiveException& e) {
        EXPECT_STREQ(e.what(), "Objects nested too deeply in file.");
        EXPECT_EQ(e.GetCause(), Cause::TooDeep);
    }
}

TEST(ArchiveObjects, ObjectsNobodyClaimsDieWithTheArchive) {
    ASSERT_EQ(CTestPoint::live, 0);
    {
        // Two points, then a class the file cannot name: the list read fails half way.
        const Bytes bytes = Cat({{0x03, 0x00},
                                 kPointClass,
                                 kPointData,
                                 {0x01, 0x80},
                                 kPointData,
                                 {0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 'C', 'X'}});
        CArchive in(bytes);
        EXPECT_THROW(in.ReadObjectList<CTestPoint>(), CArchiveException);
        EXPECT_EQ(CTestPoint::live, 0);
    }
    {
        CArchive in(Cat({kPointClass, kPointData}));
        EXPECT_NE(in.ReadObject(), nullptr);
        EXPECT_EQ(CTestPoint::live, 1);
    }
    EXPECT_EQ(CTestPoint::live, 0);
}

// ---------------------------------------------------------------------------
// Refusals

TEST(ArchiveRefusals, BadDataEndsTheLoadWithAClearMessage) {
    using Read = std::function<void(CArchive&)>;
    const Read readAll = [](CArchive& ar) {
        while (!ar.AtEnd())
            ar.ReadObject();
    };
    const Read readPoints = [](CArchive& ar) { ar.ReadObjectList<CTestPoint>(); };
    struct Case {
        const char* name;
        Bytes bytes;
        Read read;
        Cause cause;
        const char* message;
    };
    const Case cases[] = {
        {"unknown class", Cat({{0xFF, 0xFF, 0x00, 0x00, 0x05, 0x00}, Ascii("CNope")}), readAll,
         Cause::BadClass, "Unknown object class 'CNope' in file."},
        {"schema 1", Cat({{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00}, Ascii("CTestPoint"), kPointData}), readAll,
         Cause::BadSchema, "Unexpected file format version 1 for class 'CTestPoint'."},
        {"empty class name",
         {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00},
         readAll,
         Cause::BadClass,
         "Invalid class name in file."},
        {"control character in class name",
         {0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 'C', 0x01},
         readAll,
         Cause::BadClass,
         "Invalid class name in file."},
        {"class name too long",
         {0xFF, 0xFF, 0x00, 0x00, 0x41, 0x00},
         readAll,
         Cause::BadClass,
         "Invalid class name in file."},
        {"undefined class", {0x01, 0x80}, readAll, Cause::BadIndex, "Invalid class reference 1 in file."},
        {"class 0", {0x00, 0x80}, readAll, Cause::BadIndex, "Invalid class reference 0 in file."},
        {"undefined big class",
         {0xFF, 0x7F, 0x00, 0x01, 0x00, 0x80},
         readAll,
         Cause::BadIndex,
         "Invalid class reference 256 in file."},
        {"class tag naming an object", Cat({kPointClass, kPointData, {0x02, 0x80}}), readAll, Cause::BadIndex,
         "Invalid class reference 2 in file."},
        {"undefined object", {0x05, 0x00}, readAll, Cause::BadIndex, "Invalid object reference 5 in file."},
        {"object reference naming a class", Cat({kPointClass, kPointData, {0x01, 0x00}}), readAll,
         Cause::BadIndex, "Invalid object reference 1 in file."},
        {"undefined big object",
         {0xFF, 0x7F, 0x09, 0x00, 0x00, 0x00},
         readAll,
         Cause::BadIndex,
         "Invalid object reference 9 in file."},
        {"huge count",
         {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00},
         readPoints,
         Cause::BadCount,
         "Invalid element count 4294967294 in file."},
        {"count beyond the data",
         {0x02, 0x00, 0x00, 0x00},
         readPoints,
         Cause::BadCount,
         "Invalid element count 2 in file."},
        {"wrong class in list", Cat({{0x01, 0x00}, kLabelClass, {0x00}}), readPoints, Cause::BadClass,
         "Object of class 'CTestLabel' found where 'CTestPoint' was expected."},
        {"wrong class by name", Cat({kPointClass, kPointData}),
         [](CArchive& ar) { ar.ReadObject("CTestLabel"); }, Cause::BadClass,
         "Object of class 'CTestPoint' found where 'CTestLabel' was expected."},
        {"refused by check", Cat({kPointClass, kPointData}),
         [](CArchive& ar) { ar.ReadObject([](const zel::CObject&) { return false; }, "CSomething"); },
         Cause::BadClass, "Object of class 'CTestPoint' found where 'CSomething' was expected."},
        {"wrong class behind a back-reference", Cat({kPointClass, kPointData, {0x02, 0x00}}),
         [](CArchive& ar) {
             ar.ReadObject();
             ar.ReadObjectAs<CTestLabel>();
         },
         Cause::BadClass, "Object of class 'CTestPoint' found where 'CTestLabel' was expected."},
        {"null in list",
         {0x01, 0x00, 0x00, 0x00},
         readPoints,
         Cause::BadClass,
         "Unexpected empty object in file."},
        {"one object owned twice", Cat({{0x02, 0x00}, kPointClass, kPointData, {0x02, 0x00}}), readPoints,
         Cause::BadIndex, "Invalid shared object in file."},
        {"UTF-16 marker twice",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00},
         [](CArchive& ar) { ar.ReadString(); },
         Cause::Unsupported,
         "Unsupported Unicode text in file."},
        {"UTF-16 string past the end",
         {0xFF, 0xFE, 0xFF, 0x02, 0x41, 0x00, 0x42},
         [](CArchive& ar) { ar.ReadString(); },
         Cause::EndOfFile,
         "Unexpected end of file."},
        {"huge UTF-16 string",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x41, 0x00},
         [](CArchive& ar) { ar.ReadString(); },
         Cause::EndOfFile,
         "Unexpected end of file."},
        {"string past the end",
         {0x05, 'a', 'b'},
         [](CArchive& ar) { ar.ReadString(); },
         Cause::EndOfFile,
         "Unexpected end of file."},
        {"huge string",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
         [](CArchive& ar) { ar.ReadString(); },
         Cause::EndOfFile,
         "Unexpected end of file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CArchive in(c.bytes);
        try {
            c.read(in);
            ADD_FAILURE() << "accepted";
        } catch (const CArchiveException& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.GetCause(), c.cause);
        }
    }
}

TEST(ArchiveRefusals, ProgrammingErrorsAreLogicErrorsNotFileErrors) {
    CArchive out;
    int i = 0;
    EXPECT_THROW(out >> i, std::logic_error);
    CArchive in(Bytes{0, 0, 0, 0});
    EXPECT_THROW(in << 1, std::logic_error);
    EXPECT_THROW(in.WriteObject(nullptr), std::logic_error);

    struct CUnregistered : zel::CObject {
        const char* ClassName() const override { return "CUnregistered"; }
    } unregistered;
    EXPECT_THROW(out.WriteObject(&unregistered), std::logic_error);

    const zel::ObjectFactory factory = [] { return std::unique_ptr<zel::CObject>(); };
    EXPECT_THROW(zel::RegisterClass("CTestPoint", factory), std::logic_error);
    EXPECT_THROW(zel::RegisterClass("", factory), std::invalid_argument);
    EXPECT_THROW(zel::RegisterClass("C Space", factory), std::invalid_argument);
    EXPECT_THROW(zel::RegisterClass(std::string(65, 'C'), factory), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// Damaged files: every truncation and many single-byte changes of a document

Bytes MakeDocument() {
    std::vector<std::unique_ptr<zel::CObject>> items;
    items.push_back(std::make_unique<CTestPoint>(1, 0.5));
    items.push_back(std::make_unique<CTestLabel>("O-H bond é"));
    items.push_back(std::make_unique<CTestPoint>(2, -1.0));
    items.push_back(std::make_unique<CTestLabel>("€"));
    CTestLink link;
    link.target = items[2].get();
    CTestNode node;
    node.child = std::make_unique<CTestNode>();

    CArchive ar;
    ar << 7 << 2.5 << std::string("Water") << std::string(300, 'x');
    ar.WriteObjectList(items);
    ar.WriteObject(&link);
    ar.WriteObject(nullptr);
    ar.WriteObject(&node);
    ar.WriteCount(3);
    ar << 1.0 << 2.0 << 3.0;
    return ar.Bytes();
}

// Reads MakeDocument's layout the way document code would, trusting nothing.
void LoadDocument(CArchive& ar) {
    int version;
    double scale;
    std::string title, note;
    ar >> version >> scale >> title >> note;
    const auto items = ar.ReadObjectList<zel::CObject>();
    if (const CTestLink* link = ar.ReadObjectAs<CTestLink>(); link && link->target)
        (void)link->target->ClassName();
    ar.ReadObject();
    const auto node = ar.ReadOwnedObject<CTestNode>();
    std::vector<double> values(ar.ReadCount(sizeof(double)));
    for (double& v : values)
        ar >> v;
}

TEST(ArchiveDamage, EveryTruncationIsRefused) {
    const Bytes doc = MakeDocument();
    {
        CArchive whole(doc);
        ASSERT_NO_THROW(LoadDocument(whole));
        ASSERT_TRUE(whole.AtEnd());
    }
    for (std::size_t n = 0; n < doc.size(); ++n) {
        SCOPED_TRACE(n);
        CArchive in(std::span<const std::uint8_t>(doc.data(), n));
        try {
            LoadDocument(in);
            ADD_FAILURE() << "accepted";
        } catch (const CArchiveException& e) {
            EXPECT_TRUE(e.GetCause() == Cause::EndOfFile || e.GetCause() == Cause::BadCount) << e.what();
        }
    }
}

TEST(ArchiveDamage, SingleByteChangesNeverEscapeAsAnythingButArchiveErrors) {
    const Bytes doc = MakeDocument();
    std::mt19937 rng(20240611);
    int refused = 0;
    for (int round = 0; round < 10000; ++round) {
        Bytes damaged = doc;
        damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        CArchive in(damaged);
        try {
            LoadDocument(in);
        } catch (const CArchiveException&) {
            ++refused;
        }
    }
    // Most changes land in text or numbers and still load; tags and counts must not.
    EXPECT_GT(refused, 0);
}

} // namespace
