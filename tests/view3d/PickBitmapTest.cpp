// Picking and the bitmap export without OpenGL: the bitmap file byte for byte
// with its padded rows, its header sizes, failed writes; the walk over GL's
// selection records; element names; and what each drawn object of a scene
// stands for when picked.

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "view3d/Bitmap.h"
#include "view3d/Picking.h"
#include "view3d/Scene.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder for the files of one test.
class TempFolder {
public:
    TempFolder() {
        m_path =
            fs::temp_directory_path() / ("zelmora-bmp-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

// --- the bitmap file ---------------------------------------------------------------

// Rows of three bytes a pixel padded to four: 301 pixels take 904 bytes.
TEST(BitmapTest, RowsArePaddedToFourBytes) {
    const struct {
        int width;
        std::size_t stride;
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {300, 900}, {301, 904}};
    for (const auto& c : cases)
        EXPECT_EQ(BitmapStride(c.width), c.stride) << c.width;
    const std::optional<CDib> dib = MakeBitmap(300, 300);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->pixels.size(), 900u * 300u);
    EXPECT_FALSE(MakeBitmap(0, 10));
    EXPECT_FALSE(MakeBitmap(10, -1));
}

// A 5 x 3 picture (width not a multiple of 4) given as red-green-blue rows:
// the file has the 14-byte file header, the 40-byte info header and the rows
// bottom up in blue-green-red, each closed by one zero byte.
TEST(BitmapTest, WritesTheHeadersAndPaddedRowsByteForByte) {
    std::optional<CDib> dib = MakeBitmap(5, 3);
    ASSERT_TRUE(dib);
    // As GL returns them: red, green, blue, rows padded to the stride.
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x) {
            std::uint8_t* p = &dib->pixels[16 * row + 3 * x];
            p[0] = static_cast<std::uint8_t>(10 * row + x);       // red
            p[1] = static_cast<std::uint8_t>(100 + 10 * row + x); // green
            p[2] = static_cast<std::uint8_t>(200 + 10 * row + x); // blue
        }
    SwapRedAndBlue(*dib);
    TempFolder folder;
    const fs::path file = folder.Path() / "picture.bmp";
    std::string reason;
    ASSERT_EQ(WriteBitmapFile(file.string(), *dib, &reason), 0) << reason;

    std::vector<std::uint8_t> expected = {
        'B',  'M',  102, 0, 0, 0,       // file size 54 + 16 x 3
        0,    0,    0,   0,             // reserved
        54,   0,    0,   0,             // pixels at
        40,   0,    0,   0,             // info header size
        5,    0,    0,   0,             // width
        3,    0,    0,   0,             // height, rows bottom up
        1,    0,                        // planes
        24,   0,                        // bits per pixel
        0,    0,    0,   0,             // no compression
        48,   0,    0,   0,             // pixel bytes
        0x88, 0x0B, 0,   0,             // 2952 pixels per metre
        0x88, 0x0B, 0,   0, 0, 0, 0, 0, // colours used
        0,    0,    0,   0,             // colours important
    };
    ASSERT_EQ(expected.size(), 54u);
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 5; ++x) {
            expected.push_back(static_cast<std::uint8_t>(200 + 10 * row + x));
            expected.push_back(static_cast<std::uint8_t>(100 + 10 * row + x));
            expected.push_back(static_cast<std::uint8_t>(10 * row + x));
        }
        expected.push_back(0);
    }
    EXPECT_EQ(ReadBytes(file), expected);
}

// The header part before the pixels by compression, bit count and colours
// used; pixel bytes from the size when the header leaves them 0.
TEST(BitmapTest, HeaderPartAndPixelSizeFollowTheHeadersFields) {
    const struct {
        std::uint32_t compression;
        std::uint16_t bitCount;
        std::uint32_t clrUsed;
        std::size_t infoSize;
    } cases[] = {
        {0, 24, 0, 40},       {0, 32, 0, 40},     {0, 24, 16, 40 + 64}, {0, 8, 0, 40 + 1024},
        {0, 1, 0, 40 + 8},    {0, 4, 3, 40 + 12}, {3, 16, 0, 52},       {3, 32, 2, 52 + 8},
        {1, 8, 0, 40 + 1024}, {2, 4, 0, 40 + 64}, {4, 24, 0, 40},
    };
    for (const auto& c : cases) {
        SBitmapInfoHeader h;
        h.compression = c.compression;
        h.bitCount = c.bitCount;
        h.clrUsed = c.clrUsed;
        EXPECT_EQ(BitmapInfoSize(h), c.infoSize) << c.compression << " " << c.bitCount << " " << c.clrUsed;
    }
    SBitmapInfoHeader h;
    h.width = 5;
    h.height = -3; // top down
    h.bitCount = 24;
    h.sizeImage = 0;
    EXPECT_EQ(BitmapPixelSize(h), 45u);
    h.bitCount = 1;
    EXPECT_EQ(BitmapPixelSize(h), 3u);
    h.sizeImage = 48;
    EXPECT_EQ(BitmapPixelSize(h), 48u);
}

// A path longer than 255 characters is written like any other.
TEST(BitmapTest, LongPathsAreWritten) {
    TempFolder folder;
    const fs::path dir = folder.Path() / std::string(200, 'd');
    fs::create_directories(dir);
    const fs::path file = dir / (std::string(120, 'b') + ".bmp");
    ASSERT_GT(file.string().size(), 320u);
    const std::optional<CDib> dib = MakeBitmap(7, 2);
    ASSERT_TRUE(dib);
    std::string reason;
    ASSERT_EQ(WriteBitmapFile(file.string(), *dib, &reason), 0) << reason;
    EXPECT_EQ(fs::file_size(file), 54u + 24u * 2u);
}

// Failures return -1 with the reason and leave no partial file: a folder
// that does not exist, a bitmap short of the pixels its header promises, a
// write cut off by the file size limit.
TEST(BitmapTest, FailedWritesSayWhyAndLeaveNoFile) {
    TempFolder folder;
    std::optional<CDib> dib = MakeBitmap(5, 3);
    ASSERT_TRUE(dib);
    std::string reason;

    const fs::path missing = folder.Path() / "no such folder" / "picture.bmp";
    EXPECT_EQ(WriteBitmapFile(missing.string(), *dib, &reason), -1);
    EXPECT_EQ(reason, missing.string() + ": No such file or directory");

    CDib shortOfPixels = *dib;
    shortOfPixels.pixels.resize(47);
    const fs::path file = folder.Path() / "picture.bmp";
    EXPECT_EQ(WriteBitmapFile(file.string(), shortOfPixels, &reason), -1);
    EXPECT_EQ(reason, "the bitmap holds fewer pixels than its header says.");
    EXPECT_FALSE(fs::exists(file));

    // A file size limit of 60 bytes stops the write after the headers.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 60;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = WriteBitmapFile(file.string(), *dib, &reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(reason, file.string() + ": File too large");
    EXPECT_FALSE(fs::exists(file));
}

// --- selection records -------------------------------------------------------------

// Records: name count, least and greatest depth, names. The first record
// with a name wins; records without names (the plot's plane) are passed
// over; an overflow (hits < 0) still reads the complete records; a count
// that runs past the buffer is never followed.
TEST(SelectionBufferTest, FirstRecordWithANameIsWalkedToByNameCounts) {
    using Buffer = std::vector<std::uint32_t>;
    const struct {
        const char* what;
        Buffer buffer;
        int hits;
        std::optional<std::uint32_t> name;
    } cases[] = {
        {"one hit", {1, 5, 9, 1003}, 1, 1003},
        {"two hits, the first drawn wins", {1, 5, 9, 1003, 1, 1, 2, 3001}, 2, 1003},
        {"plane first, without a name", {0, 5, 9, 1, 1, 2, 4002}, 2, 4002},
        {"plane alone", {0, 5, 9, 77, 77, 77, 77}, 1, std::nullopt},
        {"no hit", {1, 5, 9, 1003}, 0, std::nullopt},
        {"the top of a deeper stack", {2, 5, 9, 0, 7023}, 1, 7023},
        {"overflow: the complete records", {1, 5, 9, 8021, 1, 5}, -1, 8021},
        {"overflow of a record without name", {0, 5, 9, 1, 5}, -1, std::nullopt},
        {"a count past the end", {9, 5, 9, 1003}, 1, std::nullopt},
        {"more hits than the buffer holds", {0, 5, 9}, 5, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstHitName(c.buffer.data(), c.buffer.size(), c.hits), c.name) << c.what;
    EXPECT_EQ(FirstHitName(nullptr, 0, 1), std::nullopt);
}

TEST(PickedRecordTest, ElementNamesByTruncatedCharge) {
    const struct {
        double charge;
        const char* name;
    } cases[] = {{1, "Hydrogen"},   {6, "Carbon"},     {6.9, "Carbon"},     {4, "Berylium"},
                 {16, "Sulphur"},   {13, "Aluminum"},  {118, "Ununoctium"}, {0, "Unlisted"},
                 {0.5, "Unlisted"}, {119, "Unlisted"}, {-1, "Unlisted"},    {1e300, "Unlisted"}};
    for (const auto& c : cases) {
        C3DPickTarget target;
        target.charge = c.charge;
        EXPECT_EQ(PickedAtom(target).element, c.name) << c.charge;
    }
    EXPECT_EQ(GetElementName(79), "Gold");
    EXPECT_EQ(GetElementName(-5), "Unlisted");
}

// --- what drawn objects stand for ----------------------------------------------------

// Benzene: every nucleus and critical point of the current field names its
// target; every bond path cylinder its path, from its bond point to the
// nucleus of the maximum's atom, numbered by its bond point.
TEST(PickTargetTest, BenzeneObjectsStandForTheirNucleiPointsAndPaths) {
    CMolecule molecule;
    std::string error;
    ASSERT_TRUE(LoadDocument(ZELMORA_EXAMPLES "/benzene.zlm", molecule, error)) << error;
    const C3DScene scene = BuildScene(molecule);
    const auto targetOf = [&](int pick) -> const C3DPickTarget& {
        EXPECT_GE(pick, 0);
        EXPECT_LT(pick, static_cast<int>(scene.targets.size()));
        return scene.targets.at(static_cast<std::size_t>(pick));
    };

    int i = 0;
    for (const auto& atom : molecule.GetAtomList()) {
        const C3DPickTarget& t = targetOf(scene.nuclei[i].pick);
        EXPECT_EQ(t.kind, C3DPickTarget::Kind::Nucleus);
        EXPECT_EQ(t.number, i + 1);
        EXPECT_EQ(t.position, atom->GetPosition());
        EXPECT_EQ(PickedAtom(t).element, atom->GetCharge() == 6.0 ? "Carbon" : "Hydrogen");
        ++i;
    }
    const int signatures[4] = {-3, -1, 1, 3};
    for (int kind = 0; kind < 4; ++kind) {
        auto point = molecule.GetList(signatures[kind])->begin();
        for (std::size_t k = 0; k < scene.critPoints[kind].size(); ++k, ++point) {
            const C3DPickTarget& t = targetOf(scene.critPoints[kind][k].pick);
            EXPECT_EQ(t.kind, C3DPickTarget::Kind::CritPoint);
            EXPECT_EQ(t.number, static_cast<int>(k) + 1);
            EXPECT_EQ(t.position, (*point)->GetPosition());
            EXPECT_EQ(PickedCritPoint(t).type, CritPointTypeText(signatures[kind]));
        }
    }
    EXPECT_EQ(PickedCritPoint(targetOf(scene.critPoints[2][0].pick)).type, "(3,+1)");

    ASSERT_EQ(scene.paths[0].size(), 24u);
    auto bond = molecule.GetList(-1)->begin();
    for (int m = 0; m < 12; ++m, ++bond) {
        const auto& paths = (*bond)->GetPathList(true);
        auto path = paths.begin();
        for (int j = 0; j < 2; ++j, ++path) {
            const CPickedPath picked = PickedPath(targetOf(scene.paths[0][2 * m + j].pick));
            EXPECT_EQ(picked.startType, "(3,-1)");
            EXPECT_EQ(picked.endType, "(3,-3)");
            EXPECT_EQ(picked.number, m + 1);
            EXPECT_EQ(picked.start, (*bond)->GetPosition());
            const auto* maximum = static_cast<const CMaxPoint*>((*path)->GetEndPoint());
            ASSERT_NE(maximum->GetAtom(), nullptr);
            EXPECT_EQ(picked.end, maximum->GetAtom()->GetPosition());
            EXPECT_NE(picked.end, maximum->GetPosition());
            EXPECT_EQ(picked.length, (*path)->GetLength());
        }
    }
}

// A ring point with twelve paths: the tenth and later paths take names of the
// next block of ten, yet each cylinder still stands for its own path. A path
// that reached no upper end shows where it stopped.
TEST(PickTargetTest, EveryPathOfAPointWithManyPathsKeepsItsOwnTarget) {
    CMolecule molecule;
    auto ring = std::make_unique<CRingPoint>(&molecule, molecule.NextObjectNumber(), 0, CVector(), 0.0);
    CCritPoint* lower = ring.get();
    molecule.GetList(1)->push_back(std::move(ring));
    std::vector<CVector> ends;
    for (int j = 0; j < 12; ++j) {
        const CVector end(3.0 * std::cos(0.5 * j), 3.0 * std::sin(0.5 * j), 0.0);
        ends.push_back(end);
        auto upper = std::make_unique<CBondPoint>(&molecule, molecule.NextObjectNumber(), 0, end, 0.0);
        auto* path = new CGradPath(&molecule, molecule.NextObjectNumber(), 0);
        for (int i = 0; i < 20; ++i)
            path->AddPoint(end * (1.0 - i / 20.0), 0.0, true);
        path->SetTraceInfo(0.0, 0, 2.85 + j);
        path->SetLowerPoint(lower);
        lower->AddAscendingPath(path);
        if (j != 11) {
            path->SetUpperPoint(upper.get());
            upper->AddDescendingPath(path);
        }
        molecule.GetList(-1)->push_back(std::move(upper));
    }
    const C3DScene scene = BuildScene(molecule);
    ASSERT_EQ(scene.paths[1].size(), 12u);
    std::vector<int> names;
    for (int j = 0; j < 12; ++j) {
        const C3DCylinder& c = scene.paths[1][j];
        names.push_back(c.name);
        const CPickedPath picked = PickedPath(scene.targets.at(static_cast<std::size_t>(c.pick)));
        EXPECT_EQ(picked.number, 1);
        EXPECT_EQ(picked.startType, "(3,+1)");
        EXPECT_EQ(picked.endType, j == 11 ? "none" : "(3,-1)") << j;
        EXPECT_EQ(picked.end, ends[j]) << j;
        EXPECT_EQ(picked.length, 2.85 + j);
    }
    EXPECT_EQ(names,
              (std::vector<int>{8011, 8012, 8013, 8014, 8015, 8016, 8017, 8018, 8019, 8020, 8021, 8022}));
}

} // namespace
