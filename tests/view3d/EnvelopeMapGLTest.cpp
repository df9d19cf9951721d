// The envelope map on a real X display (Xvfb with Mesa): water's oxygen basin
// drawn as a shaded surface shows the map's colour where an independent
// projection puts the oxygen, and a double click on the map opens no
// object's dialog.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/CritPointSearch.h"
#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "platform/qt/Dialog.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "view3d/3DFrame.h"
#include "view3d/3DView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <QtTest/QTest>

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSize = 600;

// The view unturned: the scene tilted by -5 degrees about y and 5 degrees
// about x, moved back `distance` units (16 at the start), seen through a
// 45-degree perspective. The pixel (rows from the top) of a point given in
// bohr relative to the centroid.
QPoint Pixel(CVector bohr, double distance = 16) {
    const auto rotate = [](CVector v, CVector n, double angle) {
        return std::cos(angle) * v + std::sin(angle) * Cross(n, v) + (1.0 - std::cos(angle)) * (n * v) * n;
    };
    CVector v = rotate(2.0 * bohr, CVector(0, 1, 0), -5.0 * kPi / 180.0);
    v = rotate(v, CVector(1, 0, 0), 5.0 * kPi / 180.0);
    v = v + CVector(0, 0, -distance);
    const double focal = 1.0 / std::tan(22.5 * kPi / 180.0);
    const double x = focal * v.x / -v.z, y = focal * v.y / -v.z;
    return {static_cast<int>(std::floor((x + 1.0) / 2.0 * kSize)),
            kSize - 1 - static_cast<int>(std::floor((y + 1.0) / 2.0 * kSize))};
}

// Green as lighting leaves it: some green, little red or blue (a white
// highlight may add a little to every channel).
bool Green(QRgb c) {
    return qGreen(c) >= 60 && 4 * qRed(c) <= qGreen(c) && 4 * qBlue(c) <= qGreen(c);
}

std::string Describe(QRgb c) {
    char text[40];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", qRed(c), qGreen(c), qBlue(c));
    return text;
}

class EnvelopeMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_TRUE(m_app.InitInstance({}, false));
        m_doc = m_app.GetDocument();
        CMolecule& molecule = *m_doc->GetMolecule();
        std::ifstream in(analysistest::FixturePath("water.wfn"));
        ASSERT_TRUE(in.good());
        m_titles.PushAnswer("Water");
        ASSERT_EQ(molecule.LoadWavefunction(in), 1);
        analysistest::CQuietProgress quiet;
        zel::CTextRecord log;
        CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
        search.SearchFromNuclei();
        search.SearchFromMaximaPairs();

        auto envelope = std::make_unique<CEnvelop>(&molecule);
        envelope->ComputeBox();
        envelope->SetMaxDistance(CEnvelop::kNoDistanceLimit);
        ASSERT_EQ(envelope->Calculate(), 1);
        ASSERT_EQ(envelope->Refine(), 1);
        molecule.SetEnvelop(std::move(envelope));
        m_oxygen = molecule.GetAtomList().front().get();
        ASSERT_EQ(m_oxygen->GetCharge(), 8.0);
        CEnvMapOptions& options = molecule.GetEnvMapOptions();
        options.Atoms = {m_oxygen};
        options.DisplayMode = 1;
        options.MinColor = options.MaxColor = zel::RGB(0, 255, 0);
        molecule.GetEnvelope()->UpdateMap();
        for (const auto& atom : molecule.GetAtomList())
            m_centroid = m_centroid + (1.0 / 3.0) * atom->GetPosition();

        m_frame = m_doc->Get3DFrame();
        ASSERT_NE(m_frame, nullptr);
        m_frame->resize(kSize, kSize);
        m_frame->show();
        m_view = m_frame->GetView();
        ASSERT_NE(m_view, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view));
        ASSERT_TRUE(zel::test::WaitUntil([&] { return m_view->width() == kSize; }));
        ASSERT_TRUE(m_view->GetGLFailure().empty()) << m_view->GetGLFailure();
        m_doc->UpdateAllViews();
    }

    QImage Frame() { return m_view->RenderFrame().convertToFormat(QImage::Format_RGB32); }

    // The template id of the dialog a double click opened, 0 for none.
    int DoubleClick(QPoint at) {
        int shown = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = dynamic_cast<zel::CDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || shown != 0) return;
            shown = dialog->TemplateId();
            static_cast<QDialog*>(dialog)->accept();
        });
        timer.start(5);
        QTest::mouseDClick(m_view, Qt::LeftButton, {}, at);
        timer.stop();
        return shown;
    }

    zel::test::ScopedTestSettings m_settings;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    CZelmoraApp m_app;
    CZelmoraDoc* m_doc = nullptr;
    C3DFrame* m_frame = nullptr;
    C3DView* m_view = nullptr;
    CAtom* m_oxygen = nullptr;
    CVector m_centroid;
};

TEST_F(EnvelopeMapTest, OxygenBasinSurfaceCoversTheOxygenAndPicksNothing) {
    const QPoint oxygen = Pixel(m_oxygen->GetPosition() - m_centroid);
    // Beside the oxygen, off its nucleus and its critical point, still on the map.
    const QPoint beside = Pixel(m_oxygen->GetPosition() - m_centroid + CVector(0.7, 0, 0));

    // Switched off (the default), the nucleus shows.
    const QImage without = Frame();
    ASSERT_FALSE(without.isNull());
    EXPECT_FALSE(Green(without.pixel(oxygen))) << Describe(without.pixel(oxygen));

    m_view->Switches().envelopeMap = 1;
    const QImage with = Frame();
    EXPECT_TRUE(Green(with.pixel(oxygen))) << Describe(with.pixel(oxygen));
    EXPECT_TRUE(Green(with.pixel(beside))) << Describe(with.pixel(beside));
    // Where the density has fallen below the window there is no map.
    const QPoint outside = Pixel(m_oxygen->GetPosition() - m_centroid + CVector(2.2, 2.2, 0));
    EXPECT_FALSE(Green(with.pixel(outside))) << Describe(with.pixel(outside));

    // The map's triangles have a name of their own: no dialog, no message.
    EXPECT_EQ(DoubleClick(beside), 0);
    EXPECT_TRUE(m_prompts.Texts().empty()) << testing::PrintToString(m_prompts.Texts());
    EXPECT_EQ(m_view->GetPickNames().count(10000), 0u);
}

// As spheres of every inside point; only while they are drawn is blending on
// for a translucent map, and picking one shows nothing either.
TEST_F(EnvelopeMapTest, SpheresOfTheInsidePoints) {
    CEnvMapOptions& options = m_doc->GetMolecule()->GetEnvMapOptions();
    options.DisplayMode = 0;
    options.SurfaceOnly = 0;
    options.SphereSize = 1.0;
    m_view->Switches().envelopeMap = 1;
    const QPoint oxygen = Pixel(m_oxygen->GetPosition() - m_centroid);
    const QPoint beside = Pixel(m_oxygen->GetPosition() - m_centroid + CVector(0.7, 0, 0));
    const QImage opaque = Frame();
    EXPECT_TRUE(Green(opaque.pixel(oxygen))) << Describe(opaque.pixel(oxygen));
    EXPECT_EQ(DoubleClick(beside), 0);
    EXPECT_TRUE(m_prompts.Texts().empty()) << testing::PrintToString(m_prompts.Texts());

    options.Transparency = 0.5;
    const QImage translucent = Frame();
    EXPECT_NE(translucent.pixel(oxygen), opaque.pixel(oxygen));
    m_view->makeCurrent();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    m_view->doneCurrent();
}

// The colour of a point runs from the minimal value's colour to the maximal
// value's with the value: every point given its x as the value, the map's
// window from the smallest to the largest x, blue to red, the spheres turn
// from blue on the left to red on the right, and purple between.
TEST_F(EnvelopeMapTest, ColourRunsFromTheMinimalToTheMaximalValue) {
    CMolecule& molecule = *m_doc->GetMolecule();
    CEnvGrid& grid = *molecule.GetEnvelope()->GetGrid();
    const int nx = grid.GetCount(0), ny = grid.GetCount(1), nz = grid.GetCount(2);
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k) {
                CEnvPoint& point = grid.At(i, j, k);
                point.SetValue(0, point.GetPosition().x);
            }
    const CVector low = grid.At(0, 0, 0).GetPosition(), high = grid.At(nx - 1, ny - 1, nz - 1).GetPosition();
    CEnvMapOptions& options = molecule.GetEnvMapOptions();
    options.Atoms.clear();
    options.MinValue = low.x;
    options.MaxValue = high.x;
    options.MinColor = zel::RGB(0, 0, 255);
    options.MaxColor = zel::RGB(255, 0, 0);
    options.DisplayMode = 0;
    options.SurfaceOnly = 0;
    options.SphereSize = 1.0;
    molecule.GetEnvelope()->UpdateMap();
    m_view->Switches().envelopeMap = 1;
    m_view->Switches().nuclei = 0;
    m_view->SetTranslation(CVector(0, 0, -40)); // the whole grid in the picture
    const QImage image = Frame();
    // On the front face of the grid, a tenth of the way in from the left and
    // from the right, and in the middle.
    const auto front = [&](double fraction) {
        return Pixel(CVector(low.x + fraction * (high.x - low.x), 0.5 * (low.y + high.y), high.z) - m_centroid,
                     40);
    };
    const QRgb left = image.pixel(front(0.1)), middle = image.pixel(front(0.5)), right = image.pixel(front(0.9));
    EXPECT_GT(qBlue(left), 3 * qRed(left)) << Describe(left);
    EXPECT_GT(qRed(right), 3 * qBlue(right)) << Describe(right);
    EXPECT_GT(qRed(middle), 20) << Describe(middle);
    EXPECT_GT(qBlue(middle), 20) << Describe(middle);
    EXPECT_LE(qGreen(middle), qRed(middle) / 2 + 10) << Describe(middle);
}

} // namespace
