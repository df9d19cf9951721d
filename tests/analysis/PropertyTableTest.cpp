// Property names, selection flags and the packing of the selected values.

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AnalysisTestUtil.h"
#include "analysis/Molecule.h"

namespace {

TEST(PropertyTable, Names) {
    const struct {
        int index;
        const char* name;
    } cases[] = {
        {0, "RHO, electron density"},
        {4, "VIR, Virial Field Function"},
        {11, "GR(-1), Average value of Grad(Rho)*(Vector R)/r"},
        {37, "RHO*L, Rho * Laplacian"},
        {40, "NVOL1, Electron density over integrated volume (0.001 au isosurface)"},
        {46, "VIRSURF, Surface Virial"},
        {47, "OVERLAP, Atomic Overlap Matrix"},
        {100, "RHO, electron density"},
        {101, "KEG, Lagrangian kinetic energy density"},
        {102, "KEK, Hamiltonian kinetic energy density"},
        {103, "L, Laplacian of Rho"},
        {105, "VRA, Hypervirial Gradient Function (n=-1), Atom A"},
        {121, "SGNY, Total force exerted on electrons of atom A  (y)"},
        {124, "AREA, Total integrated area"},
        {48, ""},
        {99, ""},
        {125, ""},
        {1000, ""},
    };
    CMolecule molecule;
    for (const auto& c : cases)
        EXPECT_EQ(molecule.GetPropertyName(c.index), c.name) << c.index;

    // Every index of the table has a name; the basin names are all different.
    std::set<std::string> basinNames;
    for (int i = 0; i < kBasinProperties; ++i)
        basinNames.insert(PropertyName(i));
    EXPECT_EQ(basinNames.size(), static_cast<std::size_t>(kBasinProperties));
    EXPECT_EQ(basinNames.count(""), 0u);
    for (int i = 100; i <= 124; ++i)
        EXPECT_NE(std::string(PropertyName(i)), "") << i;
}

TEST(PropertyTable, NegativeIndexNamesTheCurrentField) {
    CMolecule molecule;
    molecule.SetFieldIndex(3);
    EXPECT_EQ(molecule.GetPropertyName(-1), "KEK, Hamiltonian kinetic energy density");
    molecule.SetFieldIndex(1);
    EXPECT_EQ(molecule.GetPropertyName(-7), "L, Laplacian of Rho");
}

TEST(PropertyTable, FlagAccessOutsideTheTableIsHarmless) {
    CMolecule molecule;
    molecule.SetBasinPropertySelected(48, 0);
    molecule.SetBasinPropertySelected(-1, 0);
    molecule.SetSurfacePropertySelected(25, 0);
    EXPECT_EQ(molecule.IsBasinPropertySelected(48), 0);
    EXPECT_EQ(molecule.IsSurfacePropertySelected(-1), 0);
    for (int i = 0; i < kBasinProperties; ++i)
        EXPECT_EQ(molecule.IsBasinPropertySelected(i), 1);
    for (int i = 0; i < kSurfaceProperties; ++i)
        EXPECT_EQ(molecule.IsSurfacePropertySelected(i), 1);
}

// Water has 5 orbitals: 47 + 15 = 62 entries. The property array is filled with
// 1000 + i, the selection array with -1, so each packed entry names its source
// and untouched entries show.
class Packing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
        ASSERT_EQ(molecule.GetPropertyCount(), 62);
        double* values = molecule.GetValues();
        for (int i = 0; i < 62; ++i)
            values[i] = 1000.0 + i;
        double* selected = molecule.GetSelectedValues(true);
        std::fill(selected, selected + 62, -1.0);
    }

    void Select(bool basin, const std::vector<int>& on) {
        const int n = basin ? kBasinProperties : kSurfaceProperties;
        for (int i = 0; i < n; ++i) {
            const int value = std::find(on.begin(), on.end(), i) != on.end() ? 1 : 0;
            if (basin)
                molecule.SetBasinPropertySelected(i, value);
            else
                molecule.SetSurfacePropertySelected(i, value);
        }
    }

    std::vector<double> Packed(bool basin) {
        const double* selected = molecule.GetSelectedValues(basin);
        return std::vector<double>(selected, selected + 62);
    }

    CMolecule molecule;
};

std::vector<double> Expected(const std::vector<int>& sources) {
    std::vector<double> expected(62, -1.0);
    for (std::size_t j = 0; j < sources.size(); ++j)
        expected[j] = 1000.0 + sources[j];
    return expected;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> indices(static_cast<std::size_t>(to - from));
    std::iota(indices.begin(), indices.end(), from);
    return indices;
}

TEST_F(Packing, BasinAllSelectedIsTheWholeArray) {
    EXPECT_EQ(Packed(true), Expected(Range(0, 62)));
    EXPECT_EQ(molecule.GetSelectedValueCount(true), 62);
}

TEST_F(Packing, BasinFirstFiveOnlyLeavesTheRestUntouched) {
    Select(true, {0, 1, 2, 3, 4});
    EXPECT_EQ(Packed(true), Expected(Range(0, 5)));
    EXPECT_EQ(molecule.GetSelectedValueCount(true), 5);
}

TEST_F(Packing, BasinSparseChoiceWithAndWithoutTheOverlapBlock) {
    std::vector<int> sources = {0, 1, 2, 3, 4, 9, 22, 38, 46};
    Select(true, {0, 1, 2, 3, 4, 9, 22, 38, 46, 47});
    std::vector<int> withOverlap = sources;
    for (int i = 47; i < 62; ++i)
        withOverlap.push_back(i);
    EXPECT_EQ(Packed(true), Expected(withOverlap));
    EXPECT_EQ(molecule.GetSelectedValueCount(true), 24);

    Select(true, {0, 1, 2, 3, 4, 9, 22, 38, 46});
    std::vector<double> packed = Packed(true);
    // The first nine are the selection; the tail still holds the earlier packing.
    const std::vector<double> expected = Expected(sources);
    EXPECT_EQ(std::vector<double>(packed.begin(), packed.begin() + 9),
              std::vector<double>(expected.begin(), expected.begin() + 9));
    EXPECT_EQ(molecule.GetSelectedValueCount(true), 9);
}

TEST_F(Packing, Surface) {
    EXPECT_EQ(Packed(false), Expected(Range(0, 25)));
    EXPECT_EQ(molecule.GetSelectedValueCount(false), 25);

    Select(false, {0, 4, 24});
    std::vector<double> packed = Packed(false);
    EXPECT_EQ(std::vector<double>(packed.begin(), packed.begin() + 3),
              (std::vector<double>{1000, 1004, 1024}));
    EXPECT_EQ(packed[3], 1003.0); // left from the full packing
    EXPECT_EQ(molecule.GetSelectedValueCount(false), 3);
}

} // namespace
