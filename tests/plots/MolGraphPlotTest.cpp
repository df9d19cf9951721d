// The molecular-graph plot on the recording canvas: what it draws of benzene
// and in which order, its rotation and fitting, the sizes and switches, its
// record in the document, the drawing scale across a change of page units,
// and critical points deleted after they were drawn.

#include "../analysis/GraphTestUtil.h"
#include "PlotTestUtil.h"

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "plots/MolGraphPlot.h"
#include "plots/PlotDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace plottest;

constexpr double kPi = std::numbers::pi;

// The numbers of a record ("Ellipse 1 2 3 4" gives 1 2 3 4).
std::vector<long long> Numbers(const std::string& record) {
    std::istringstream in(record);
    std::string word;
    std::vector<long long> numbers;
    in >> word;
    long long n = 0;
    while (in >> n)
        numbers.push_back(n);
    return numbers;
}

// Records equal but for integers that differ by at most one unit, as two
// rotations that agree up to rounding may truncate differently.
void ExpectSameDrawing(const Records& a, const Records& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::istringstream ia(a[i]);
        std::istringstream ib(b[i]);
        std::string wa;
        std::string wb;
        while (ia >> wa) {
            ASSERT_TRUE(ib >> wb) << a[i] << " | " << b[i];
            char* ea = nullptr;
            char* eb = nullptr;
            const long long na = std::strtoll(wa.c_str(), &ea, 10);
            const long long nb = std::strtoll(wb.c_str(), &eb, 10);
            if (*ea == '\0' && *eb == '\0' && !wa.empty() && !wb.empty())
                EXPECT_LE(std::llabs(na - nb), 1) << a[i] << " | " << b[i];
            else
                EXPECT_EQ(wa, wb) << a[i] << " | " << b[i];
        }
        EXPECT_FALSE(ib >> wb) << a[i] << " | " << b[i];
    }
}

// The records from the first item of the plot's own drawing (after the base's
// border and triad) up to the free texts.
Records Content(const Records& all) {
    Records content;
    bool in = false;
    for (const std::string& r : all) {
        if (!in && r.rfind("SelectFont Arial h=-500", 0) == 0) in = true;
        if (in) content.push_back(r);
    }
    return content;
}

class BenzeneGraphPlot : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(LoadDocument(ZELMORA_EXAMPLES "/benzene.zlm", molecule, error)) << error;
        CPlot::ResetPlotCounter();
    }

    std::unique_ptr<CMolGraphPlot> NewPlot(bool everything = true) {
        auto plot = std::make_unique<CMolGraphPlot>(&molecule);
        for (int i = 0; i < 4 && everything; ++i)
            plot->SetDisplayOption(i, 1);
        for (int i = 0; i < 3 && everything; ++i)
            plot->SetDisplayFlag(i, 1);
        return plot;
    }

    int CountPoints() const {
        int n = 0;
        for (int type : {-3, -1, 1, 3})
            n += static_cast<int>(molecule.GetList(type)->size());
        return n;
    }

    // The molecular-graph paths drawn: the ascending paths of every (3,-1),
    // (3,+1) and (3,+3) point, and their segments.
    void CountPaths(int& paths, int& segments) const {
        paths = segments = 0;
        for (int type : {-1, 1, 3})
            for (const auto& point : *molecule.GetList(type))
                for (const CGradPath* path : point->GetPathList(true)) {
                    const int n = static_cast<int>(path->GetPointList().size());
                    if (n < 2) continue;
                    ++paths;
                    segments += n - 1;
                }
    }

    CMolecule molecule;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
};

TEST_F(BenzeneGraphPlot, OneMarkerPerNucleusAndPointOneChainPerPathBackToFront) {
    auto plot = NewPlot();
    plot->RotateX(0.4); // a tilt, so that depths differ
    plot->RotateY(0.3);
    const Records drawn = Content(Draw(*plot));

    // One circle per critical point, one label per nucleus.
    int ellipses = 0;
    int labels = 0;
    for (const std::string& r : drawn) {
        if (r.rfind("Ellipse ", 0) == 0) ++ellipses;
        if (r.rfind("TextOut ", 0) == 0 &&
            (r.find(" C") != std::string::npos || r.find(" H") != std::string::npos))
            ++labels;
    }
    ASSERT_EQ(CountPoints(), 25);
    EXPECT_EQ(ellipses, 25);
    EXPECT_EQ(labels, 12);

    // The segments come first, each path's segments one after the other, so
    // that every path is one chain: a segment ends where the next one drawn
    // (the one before it on the path) starts.
    int paths = 0;
    int segments = 0;
    CountPaths(paths, segments);
    ASSERT_GT(paths, 24);
    std::vector<std::vector<long long>> lines;
    for (std::size_t i = 0; i + 1 < drawn.size(); ++i)
        if (drawn[i].rfind("MoveTo ", 0) == 0 && drawn[i + 1].rfind("LineTo ", 0) == 0) {
            std::vector<long long> line = Numbers(drawn[i]);
            const std::vector<long long> to = Numbers(drawn[i + 1]);
            line.insert(line.end(), to.begin(), to.end());
            lines.push_back(line);
        }
    ASSERT_EQ(static_cast<int>(lines.size()), segments);
    int chains = 1;
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (!(lines[i][2] == lines[i - 1][0] && lines[i][3] == lines[i - 1][1])) ++chains;
    EXPECT_EQ(chains, paths);

    // The draw list: segments, then points and labels by depth, far to near.
    const auto& list = plot->GetDrawList();
    auto it = list.begin();
    int seen = 0;
    while (it != list.end() && (*it)->m_nKind == CPlotItem::kSegment) {
        ++it;
        ++seen;
    }
    EXPECT_EQ(seen, segments);
    double previous = -1e300;
    int rest = 0;
    for (; it != list.end(); ++it, ++rest) {
        EXPECT_NE((*it)->m_nKind, CPlotItem::kSegment);
        EXPECT_GE((*it)->m_First.z, previous);
        previous = (*it)->m_First.z;
    }
    EXPECT_EQ(rest, 25 + 12);
}

TEST_F(BenzeneGraphPlot, TwoQuarterTurnsAboutXAreAHalfTurn) {
    auto twice = NewPlot();
    twice->RotateX(kPi / 2);
    twice->RotateX(kPi / 2);
    auto once = NewPlot();
    once->RotateX(kPi);
    ExpectSameDrawing(Draw(*twice), Draw(*once));
    // And a half turn is not the start.
    auto start = NewPlot();
    EXPECT_NE(Content(Draw(*start)), Content(Draw(*once)));
}

TEST_F(BenzeneGraphPlot, FittingPutsEveryAtomInsideTheBorder) {
    struct Turn {
        double x, y, z;
    };
    for (const Turn turn : {Turn{0, 0, 0}, Turn{kPi / 2, 0, 0}, Turn{0.3, 1.1, 0.7}, Turn{0, kPi / 2, 0.2}}) {
        SCOPED_TRACE(testing::Message() << turn.x << " " << turn.y << " " << turn.z);
        auto plot = NewPlot();
        plot->RotateX(turn.x);
        plot->RotateY(turn.y);
        plot->RotateZ(turn.z);
        Draw(*plot);
        EXPECT_FALSE(plot->IsFitPending());
        const zel::CRect border = plot->GetBorder()->GetRect();
        const double s = plot->GetUnitsFactor() * plot->GetZoom() * plot->GetDrawScale();
        EXPECT_GT(s, 0.0);
        for (const auto& atom : molecule.GetAtomList()) {
            const CVector p = plot->ToPlotCoords(atom->GetPosition());
            const double x = (p.x - plot->GetCentreX()) * s;
            const double y = (p.y - plot->GetCentreY()) * s;
            EXPECT_GT(x, border.left);
            EXPECT_LT(x, border.right);
            EXPECT_GT(y, border.bottom);
            EXPECT_LT(y, border.top);
        }
    }
}

TEST_F(BenzeneGraphPlot, SwitchesChooseWhatIsDrawnAndLabelsFollowTheirFlag) {
    auto plot = NewPlot(false);
    plot->SetDisplayOption(1, 1); // (3,-1) only
    Records drawn = Content(Draw(*plot));
    int ellipses = 0;
    for (const std::string& r : drawn)
        ellipses += r.rfind("Ellipse ", 0) == 0;
    EXPECT_EQ(ellipses, 12);
    for (const std::string& r : drawn)
        EXPECT_EQ(r.rfind("LineTo ", 0), std::string::npos) << r;

    // Labels: written, blanks removed, in their colour; the flag hides them
    // and keeps the points.
    const auto labelsOf = [](const Records& records) {
        Records labels;
        for (const std::string& r : records)
            if (r.rfind("TextOut ", 0) == 0 && r.find("New Plot") == std::string::npos) labels.push_back(r);
        return labels;
    };
    const Records labels = labelsOf(drawn);
    ASSERT_EQ(labels.size(), 12u);
    for (const std::string& label : labels)
        EXPECT_EQ(label.find("  "), std::string::npos) << label;
    plot->ToggleLabels();
    drawn = Content(Draw(*plot));
    EXPECT_TRUE(labelsOf(drawn).empty());
    ellipses = 0;
    for (const std::string& r : drawn)
        ellipses += r.rfind("Ellipse ", 0) == 0;
    EXPECT_EQ(ellipses, 12);
}

TEST_F(BenzeneGraphPlot, PointRadiusFollowsTheZoomNotTheScaleAndPathWidthsAreTruncated) {
    auto plot = NewPlot(false);
    plot->SetDisplayOption(0, 1);
    plot->SetDisplayFlag(0, 1);
    plot->SetSize(4, 1.5f);
    Draw(*plot); // fits
    for (double scale : {1.0, 3.0}) {
        plot->SetDrawScale(plot->GetDrawScale() * scale);
        const Records drawn = Content(Draw(*plot));
        for (const std::string& r : drawn) {
            if (r.rfind("Ellipse ", 0) == 0) {
                const auto n = Numbers(r);
                EXPECT_NEAR(double(n[2] - n[0]), 400.0, 1.0) << r; // radius 200: 2 mm
            }
        }
        // Size 1.5 is taken as 1: ten units wide.
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), "SelectPen solid 10 rgb(0,0,0)"), drawn.end());
        EXPECT_EQ(std::find(drawn.begin(), drawn.end(), "SelectPen solid 15 rgb(0,0,0)"), drawn.end());
    }
    plot->SetZoom(2.0);
    for (const std::string& r : Content(Draw(*plot)))
        if (r.rfind("Ellipse ", 0) == 0) {
            const auto n = Numbers(r);
            EXPECT_NEAR(double(n[2] - n[0]), 800.0, 1.0) << r;
        }
    // A negative size, as one may type it, draws as size 0.
    plot->SetSize(0, -3.0f);
    plot->SetSize(4, -2.0f);
    for (const std::string& r : Content(Draw(*plot))) {
        if (r.rfind("Ellipse ", 0) == 0) {
            const auto n = Numbers(r);
            EXPECT_LE(std::llabs(n[2] - n[0]), 1) << r;
        }
        if (r.rfind("SelectPen ", 0) == 0) {
            EXPECT_EQ(r.find('-'), std::string::npos) << r;
        }
    }
}

TEST_F(BenzeneGraphPlot, SavedAndReopenedItDrawsTheSame) {
    {
        auto plot = NewPlot();
        plot->SetColor(2, zel::RGB(1, 2, 3));
        plot->SetSize(7, 3.25f);
        plot->RotateZ(0.5);
        CPlot::IncrementPlotCounter();
        molecule.GetPlotList().push_front(std::move(plot));
    }
    CMolGraphPlot& plot = static_cast<CMolGraphPlot&>(*molecule.GetPlotList().front());
    const Records before = Draw(plot);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;

    CMolecule reopened;
    ASSERT_TRUE(LoadDocumentBytes(bytes, reopened, error)) << error;
    ASSERT_EQ(reopened.GetPlotList().size(), 1u);
    auto* loaded = dynamic_cast<CMolGraphPlot*>(reopened.GetPlotList().front().get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetColor(2), zel::RGB(1, 2, 3));
    EXPECT_EQ(loaded->GetSize(7), 3.25f);
    EXPECT_TRUE(loaded->IsFitPending()); // fits again at its first drawing
    EXPECT_EQ(Draw(*loaded), before);
    EXPECT_EQ(g_nPlotCounter, 1);

    // Written again, byte for byte the same.
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(StoreDocumentBytes(reopened, again, error)) << error;
    EXPECT_EQ(again, bytes);
}

TEST_F(BenzeneGraphPlot, ARecordOfAnotherKindUnderThisClassIsRefused) {
    molecule.GetPlotList().push_front(NewPlot());
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
    // The plot record starts with the plot counter and the kind, right after
    // the class name.
    const std::string name = "CMolGraphPlot";
    const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    const std::size_t kind = static_cast<std::size_t>(at - bytes.begin()) + name.size() + 4;
    ASSERT_EQ(bytes[kind], 0);
    bytes[kind] = 2;
    CMolecule reopened;
    EXPECT_FALSE(LoadDocumentBytes(bytes, reopened, error));
    EXPECT_NE(error.find(CPlot::kBadRecord), std::string::npos) << error;
}

// The drawing scale is in page units per bohr: switching the page between
// millimetres and inches converts it once, whether the page's border or the
// plot's Modify takes the units first, so the picture keeps its size.
TEST_F(BenzeneGraphPlot, ChangingThePageUnitsKeepsThePictureInEitherOrder) {
    for (const bool modifyFirst : {false, true}) {
        SCOPED_TRACE(modifyFirst ? "Modify first" : "page first");
        auto plot = NewPlot();
        const Records before = Content(Draw(*plot));
        const double mmScale = plot->GetDrawScale();

        CPageSetup page = plot->GetPageSetup();
        page.m_bMM = 0;
        page.m_wUnits = 2540;
        page.m_dPaperWidth /= 25.4;
        page.m_dPaperHeight /= 25.4;
        page.m_dMarginLeft /= 25.4;
        page.m_dMarginRight /= 25.4;
        page.m_dMarginTop /= 25.4;
        page.m_dMarginBottom /= 25.4;
        plot->SetPageSetup(page);
        CScriptedPlotDialogs dialogs; // Modify's dialog: cancelled
        ScopedPlotDialogService dialogGuard(dialogs);
        if (modifyFirst) {
            plot->Modify();
            plot->UpdateBorderRect();
        } else {
            plot->UpdateBorderRect();
            plot->Modify();
        }
        EXPECT_EQ(dialogs.Opened(), 1);
        EXPECT_EQ(plot->GetUnitsFactor(), 2540);
        EXPECT_NEAR(plot->GetDrawScale(), mmScale / 25.4, 1e-12 * mmScale);
        ExpectSameDrawing(Content(Draw(*plot)), before);
    }
}

class SmallGraphPlot : public ::testing::Test {
protected:
    void SetUp() override { graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.4, 0, 0}})); }
    CMolecule molecule;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
};

TEST_F(SmallGraphPlot, PointsOfOtherFieldsAreNotDrawnAndDepthOrderIsFarToNear) {
    CMolGraphPlot plot(&molecule);
    plot.SetDisplayOption(0, 1);
    // Depths 3, 5, 1 in the order made, and one of another field.
    for (double z : {3.0, 5.0, 1.0})
        graphtest::AddPoint<CMaxPoint>(molecule, 0, {0.2, 0.3, z});
    graphtest::AddPoint<CMaxPoint>(molecule, 1, {0.2, 0.3, 4.0});
    Draw(plot);
    std::vector<double> depths;
    for (const auto& item : plot.GetDrawList())
        if (item->m_nKind == CPlotItem::kPoint) depths.push_back(item->m_First.z);
    EXPECT_EQ(depths, (std::vector<double>{1.0, 3.0, 5.0}));
}

TEST_F(SmallGraphPlot, WithoutCriticalPointsOnlyTheDecorationsAreDrawn) {
    CMolGraphPlot plot(&molecule);
    for (int i = 0; i < 4; ++i)
        plot.SetDisplayOption(i, 1);
    plot.ToggleLabels();
    for (const std::string& r : Content(Draw(plot))) {
        EXPECT_EQ(r.rfind("Ellipse ", 0), std::string::npos) << r;
        EXPECT_EQ(r.rfind("LineTo ", 0), std::string::npos) << r;
    }
    EXPECT_TRUE(prompts.Texts().empty());
}

// Bond points are cached at the first drawing with bond paths; a cached
// point deleted later leaves the cache before the next drawing, also when a
// new point takes its place in memory.
TEST_F(SmallGraphPlot, DeletedBondPointsLeaveTheCache) {
    CMaxPoint* a = graphtest::AddPoint<CMaxPoint>(molecule, 0, {0, 0, 0});
    CMaxPoint* b = graphtest::AddPoint<CMaxPoint>(molecule, 0, {1.4, 0, 0});
    CBondPoint* bond = graphtest::AddPoint<CBondPoint>(molecule, 0, {0.7, 0, 0});
    graphtest::Connect(molecule, a, bond);
    graphtest::Connect(molecule, b, bond);
    CMolGraphPlot plot(&molecule);
    plot.SetDisplayFlag(0, 1);
    const auto segments = [&plot] {
        int n = 0;
        for (const auto& item : plot.GetDrawList())
            n += item->m_nKind == CPlotItem::kSegment;
        return n;
    };
    Draw(plot);
    EXPECT_GT(segments(), 0);

    // Found after the first drawing: not cached, its paths stay undrawn.
    CBondPoint* later = graphtest::AddPoint<CBondPoint>(molecule, 0, {0.7, 0.5, 0});
    graphtest::Connect(molecule, a, later);
    const int before = segments();
    Draw(plot);
    EXPECT_EQ(segments(), before);

    // The cached point goes, and its paths with it; the emptied cache is
    // filled again with the bond points there are.
    auto& bonds = *molecule.GetList(-1);
    bonds.remove_if([bond](const auto& point) { return point.get() == bond; });
    Draw(plot);
    ASSERT_EQ(later->GetPathList(true).size(), 1u);
    EXPECT_EQ(segments(), static_cast<int>(later->GetPathList(true).front()->GetPointList().size()) - 1);
}

} // namespace
