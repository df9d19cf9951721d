// The three-dimensional view on a real X display (the tests run it under
// Xvfb with Mesa): frames read back from the GL context and checked pixel by
// pixel at the positions where an independent projection puts the nuclei,
// critical points and paths; the z-aligned diatomic's bond paths; the
// trackball's turn; the keyboard zoom; the context menu's place; double
// clicks at those positions opening the dialog of the object there; the
// bitmap file of the picture; and a screenshot of benzene kept under the
// build folder.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "plots/MolGraphPlot.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/Dialog.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "view3d/3DFrame.h"
#include "view3d/3DObjectDlgs.h"
#include "view3d/3DView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSize = 800;

// --- an independent camera ------------------------------------------------------

CVector Rotate(CVector v, CVector n, double angle) {
    return std::cos(angle) * v + std::sin(angle) * Cross(n, v) + (1.0 - std::cos(angle)) * (n * v) * n;
}

// The scene turned by angle (radians) about the unit axis, then tilted by
// -5 degrees about y and 5 degrees about x, moved by the translation and
// seen through a 45-degree perspective: the pixel (image rows from the top)
// of a point given in bohr relative to the centroid.
struct Camera {
    CVector translation{0, 0, -16};
    CVector axis{0, 1, 0};
    double angle = 0;

    // The view's quaternion for this turn of the scene.
    void Apply(C3DView& view) const {
        const float q[4] = {static_cast<float>(-axis.x * std::sin(angle / 2)),
                            static_cast<float>(-axis.y * std::sin(angle / 2)),
                            static_cast<float>(-axis.z * std::sin(angle / 2)),
                            static_cast<float>(std::cos(angle / 2))};
        view.SetRotation(q);
        view.SetTranslation(translation);
    }

    // The eye coordinates of a point given in bohr.
    CVector Eye(CVector bohr) const {
        CVector v = Rotate(2.0 * bohr, axis, angle);
        v = Rotate(v, CVector(0, 1, 0), -5.0 * kPi / 180.0);
        v = Rotate(v, CVector(1, 0, 0), 5.0 * kPi / 180.0);
        return v + translation;
    }

    QPoint Pixel(CVector bohr) const {
        const CVector v = Eye(bohr);
        const double x = kFocal * v.x / -v.z; // square window: aspect 1
        const double y = kFocal * v.y / -v.z;
        return {static_cast<int>(std::floor((x + 1.0) / 2.0 * kSize)),
                kSize - 1 - static_cast<int>(std::floor((y + 1.0) / 2.0 * kSize))};
    }

    // A pixel on the lower left of a sphere (radius in scene units): the
    // side turned away from the light, where no highlight falls.
    QPoint ShadedSide(CVector centre, double radius) const {
        const double pixels = radius * kFocal * (kSize / 2.0) / -Eye(centre).z;
        const int offset = static_cast<int>(0.45 * pixels);
        return Pixel(centre) + QPoint(-offset, offset);
    }

    static inline const double kFocal = 1.0 / std::tan(22.5 * kPi / 180.0);
};

constexpr double kNucleus = 0.6; // sphere radii in scene units
constexpr double kCritPoint = 0.3;

// --- colours as lighting leaves them ----------------------------------------
// Lit, a colour is scaled by 0.4 to 1 (ambient plus diffuse) on the shaded
// side of a sphere; elsewhere a white highlight may add to every channel.

bool Grey(QRgb c, int lo, int hi) {
    return std::abs(qRed(c) - qGreen(c)) <= 3 && std::abs(qGreen(c) - qBlue(c)) <= 3 && qRed(c) >= lo &&
           qRed(c) <= hi;
}
bool Carbon(QRgb c) {
    return Grey(c, 25, 80);
} // (77, 77, 77)
bool Hydrogen(QRgb c) {
    return Grey(c, 81, 205);
} // (204, 204, 204)
bool Red(QRgb c) {
    return qRed(c) >= 100 && qGreen(c) <= 6 && qBlue(c) <= 6;
}
bool Yellow(QRgb c) {
    return qRed(c) >= 100 && std::abs(qRed(c) - qGreen(c)) <= 3 && qBlue(c) <= 6;
}
bool Magenta(QRgb c) {
    return qRed(c) >= 100 && std::abs(qRed(c) - qBlue(c)) <= 3 && qGreen(c) <= 6;
}
// (255, 204, 204), perhaps lightened by a highlight: red above equal green
// and blue.
bool BondPathPink(QRgb c) {
    return qGreen(c) >= 40 && std::abs(qGreen(c) - qBlue(c)) <= 3 && qRed(c) - qGreen(c) >= 5 &&
           qRed(c) - qGreen(c) <= 55;
}
bool Background(QRgb c) {
    return qRed(c) <= 2 && qGreen(c) <= 2 && qBlue(c) <= 2;
}

std::string Describe(QRgb c) {
    char text[40];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", qRed(c), qGreen(c), qBlue(c));
    return text;
}

QRgb At(const QImage& image, QPoint p) {
    EXPECT_TRUE(image.rect().contains(p)) << p.x() << ", " << p.y();
    return image.rect().contains(p) ? image.pixel(p) : 0;
}

// One frame drawn and read back with glReadPixels.
QImage Frame(C3DView* view) {
    return view->RenderFrame().convertToFormat(QImage::Format_RGB32);
}

// The dialog a double click opened: its template id and the texts of its
// fields by control id; id 0 when none opened. The dialog is closed with OK.
struct ShownDialog {
    int id = 0;
    std::map<int, std::string> texts;
};

ShownDialog DoubleClick(C3DView* view, QPoint at) {
    ShownDialog shown;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<zel::CDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || shown.id != 0) return;
        shown.id = dialog->TemplateId();
        for (int id = 1180; id <= 1202; ++id)
            if (dialog->GetDlgItem(id)) shown.texts[id] = dialog->GetDlgItemText(id);
        static_cast<QDialog*>(dialog)->accept(); // OK
    });
    timer.start(5);
    QTest::mouseDClick(view, Qt::LeftButton, {}, at);
    timer.stop();
    return shown;
}

std::string Real(double value) {
    return zel::FormatDialogReal(value);
}

// Shows the window at 800 x 800 with the keyboard focus in the view.
void ShowFocused(C3DFrame* frame) {
    frame->resize(kSize, kSize);
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame->GetView()));
    frame->setFocus();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return QGuiApplication::focusWindow() == frame->GetView(); }));
    ASSERT_TRUE(zel::test::WaitUntil([&] { return frame->GetView()->width() == kSize; }));
}

// --- benzene -------------------------------------------------------------------------

class BenzeneViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_TRUE(m_app.InitInstance({QString::fromLatin1(ZELMORA_EXAMPLES "/benzene.zlm")}, false));
        m_doc = m_app.GetDocument();
        m_frame = m_doc->Get3DFrame();
        ASSERT_NE(m_frame, nullptr);
        // Opening the document has shown the window, with its view.
        ASSERT_TRUE(m_frame->isVisible());
        m_view = m_frame->GetView();
        ASSERT_NE(m_view, nullptr) << m_frame->GetMessage();
        ShowFocused(m_frame);
        EXPECT_TRUE(m_view->GetGLFailure().empty()) << m_view->GetGLFailure();
        EXPECT_TRUE(m_prompts.Texts().empty());
    }
    CMolecule& Molecule() { return *m_doc->GetMolecule(); }

    zel::test::ScopedTestSettings m_settings;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    CZelmoraApp m_app;
    CZelmoraDoc* m_doc = nullptr;
    C3DFrame* m_frame = nullptr;
    C3DView* m_view = nullptr;
};

// Nuclei, critical points and bond paths where they belong, in their colours;
// switching a kind off takes its colour away.
TEST_F(BenzeneViewTest, DrawsEachKindWhereItBelongsAndSwitchesItOff) {
    EXPECT_EQ(m_frame->windowTitle().toStdString(), Molecule().GetJobTitle() + " - Zelmora - 3DView");
    Camera camera;
    camera.translation = CVector(0, 0, -30);
    camera.Apply(*m_view);

    // A look at the whole picture, axes included, kept for whoever reads the run.
    const QImage whole = Frame(m_view);
    ASSERT_EQ(whole.size(), QSize(kSize, kSize));
    std::filesystem::create_directories(ZELMORA_ARTIFACT_DIR);
    EXPECT_TRUE(whole.save(QString::fromLatin1(ZELMORA_ARTIFACT_DIR "/view3d-benzene.png")));
    // The red x axis runs from the centroid to the right, under C1 and H7.
    const QRgb onXAxis = At(whole, camera.Pixel(CVector(1.8, 0, 0)));
    EXPECT_TRUE(qRed(onXAxis) > 2 * qGreen(onXAxis) + 20) << Describe(onXAxis);

    QTest::keyClick(m_view, Qt::Key_M); // molecular axes off
    const CVector centroid;             // benzene's nuclei are centred on the origin
    QImage image = Frame(m_view);
    for (const auto& atom : Molecule().GetAtomList()) {
        const QRgb c = At(image, camera.ShadedSide(atom->GetPosition() - centroid, kNucleus));
        EXPECT_TRUE(atom->GetCharge() == 6.0 ? Carbon(c) : Hydrogen(c))
            << atom->GetLabel() << " " << Describe(c);
    }
    for (const auto& bond : *Molecule().GetList(-1)) {
        const QRgb c = At(image, camera.ShadedSide(bond->GetPosition(), kCritPoint));
        EXPECT_TRUE(Red(c)) << "(3,-1) " << Describe(c);
    }
    const QRgb ring = At(image, camera.ShadedSide(Molecule().GetList(1)->front()->GetPosition(), kCritPoint));
    EXPECT_TRUE(Yellow(ring)) << "(3,+1) " << Describe(ring);

    // Each bond path between the bond point's sphere and the maximum's nucleus.
    std::vector<QPoint> pathSpots;
    for (const auto& bond : *Molecule().GetList(-1)) {
        for (const CGradPath* path : bond->GetPathList(true)) {
            const CVector from = bond->GetPosition();
            const CVector to = path->GetEndPoint()->GetPosition();
            const CVector unit = (to - from) / (to - from).Length();
            // Visible from 0.15 bohr (the point's sphere) to 0.3 bohr before the nucleus.
            const double visibleFrom = 0.2, visibleTo = (to - from).Length() - 0.35;
            ASSERT_LT(visibleFrom, visibleTo);
            pathSpots.push_back(camera.Pixel(from + 0.5 * (visibleFrom + visibleTo) * unit));
        }
    }
    ASSERT_EQ(pathSpots.size(), 24u);
    for (const QPoint spot : pathSpots)
        EXPECT_TRUE(BondPathPink(At(image, spot))) << Describe(At(image, spot));

    // B: the bond paths go, and the background shows where they were.
    QTest::keyClick(m_view, Qt::Key_B);
    image = Frame(m_view);
    for (const QPoint spot : pathSpots)
        EXPECT_TRUE(Background(At(image, spot))) << Describe(At(image, spot));

    // Nuclei off (context menu command): the maxima inside them show; maxima
    // off as well: nothing is left there.
    m_view->OnSwitchCommand(C3DView::ID_NUCLEI);
    image = Frame(m_view);
    for (const auto& atom : Molecule().GetAtomList()) {
        const CCritPoint* maximum = atom->GetMaxPoint();
        ASSERT_NE(maximum, nullptr);
        const QRgb c = At(image, camera.ShadedSide(maximum->GetPosition(), kCritPoint));
        EXPECT_TRUE(Magenta(c)) << atom->GetLabel() << " " << Describe(c);
    }
    m_view->OnSwitchCommand(C3DView::ID_MAX_POINTS);
    image = Frame(m_view);
    for (const auto& atom : Molecule().GetAtomList())
        EXPECT_TRUE(Background(At(image, camera.Pixel(atom->GetPosition()))));
    // The rest stays.
    EXPECT_TRUE(
        Red(At(image, camera.ShadedSide(Molecule().GetList(-1)->front()->GetPosition(), kCritPoint))));
}

// Z and X move the scene by 0.2 times the factor along the line of sight, and
// the perspective places the nuclei accordingly.
TEST_F(BenzeneViewTest, KeyboardZoomMovesTheSceneAlongTheLineOfSight) {
    QTest::keyClick(m_view, Qt::Key_M);
    Camera camera;
    camera.translation = CVector(0, 0, -30);
    camera.Apply(*m_view);
    const CVector h7 = Molecule().GetAtomList().back()->GetPosition(); // H12, far from the centre
    const QPoint far = camera.ShadedSide(h7, kNucleus);
    ASSERT_TRUE(Hydrogen(At(Frame(m_view), far)));

    // Factor 8 (Shift three times), then Z five times: 8 scene units closer.
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Shift, Qt::Key_Shift, Qt::Key_Shift})
        QTest::keyClick(m_view, key);
    ASSERT_EQ(m_view->GetFactor(), 8);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(m_view, Qt::Key_Z);
    EXPECT_NEAR(m_view->GetTranslation().z, -22.0, 1e-9);
    camera.translation = CVector(0, 0, -22);
    const QPoint near = camera.ShadedSide(h7, kNucleus);
    ASSERT_GT((near - far).manhattanLength(), 60); // well beyond the sphere's 17 pixels
    const QImage image = Frame(m_view);
    EXPECT_TRUE(Hydrogen(At(image, near))) << Describe(At(image, near));
    EXPECT_TRUE(Background(At(image, far))) << Describe(At(image, far));

    QTest::keyClick(m_view, Qt::Key_X);
    EXPECT_NEAR(m_view->GetTranslation().z, -23.6, 1e-9);
}

// Opened from the keyboard the menu stands at the middle of the view, opened
// with the mouse at the mouse, each centred and 3 pixels up.
TEST_F(BenzeneViewTest, ContextMenuOpensAtTheViewOrAtTheMouse) {
    const auto expectMenuAt = [&](QPoint global, auto open) {
        QRect shown;
        int items = 0;
        zel::test::WhenVisible<QMenu>([&](QMenu* menu) {
            shown = menu->geometry();
            items = static_cast<int>(menu->actions().size());
            menu->close();
        });
        open();
        ASSERT_TRUE(zel::test::WaitUntil([&] { return items > 0; }));
        EXPECT_EQ(items, 13);
        EXPECT_LE(std::abs(shown.center().x() - global.x()), 1) << shown.center().x() << " " << global.x();
        EXPECT_EQ(shown.top(), global.y() - 3);
    };
    expectMenuAt(m_view->mapToGlobal(QPoint(kSize / 2, kSize / 2)),
                 [&] { QTest::keyClick(m_view, Qt::Key_Menu); });
    const QPoint click(300, 200);
    expectMenuAt(m_view->mapToGlobal(click), [&] { QTest::mouseClick(m_view, Qt::RightButton, {}, click); });
}

// Double clicks where the camera puts a hydrogen nucleus, a C-H bond point
// and the middle of its bond path open the dialog of that object with its
// data; after OK the view keeps the record. Empty space chooses nothing.
TEST_F(BenzeneViewTest, DoubleClickShowsTheObjectUnderTheMouse) {
    Camera camera;
    camera.translation = CVector(0, 0, -30);
    camera.Apply(*m_view);

    const CAtom* hydrogen = Molecule().GetAtomList().back().get();
    ASSERT_EQ(hydrogen->GetCharge(), 1.0);
    const int hydrogenNumber = static_cast<int>(Molecule().GetAtomList().size());
    // The bond point between a carbon and this hydrogen, and its path up to it.
    const CCritPoint* bond = nullptr;
    const CGradPath* path = nullptr;
    int bondNumber = 0;
    for (const auto& point : *Molecule().GetList(-1)) {
        ++bondNumber;
        for (const CGradPath* p : point->GetPathList(true))
            if (static_cast<const CMaxPoint*>(p->GetEndPoint())->GetAtom() == hydrogen) {
                bond = point.get();
                path = p;
            }
        if (bond) break;
    }
    ASSERT_NE(bond, nullptr);
    const CVector from = bond->GetPosition(), to = hydrogen->GetPosition();
    const CVector unit = (to - from) / (to - from).Length();
    // Between the bond point's sphere and the nucleus (as in the picture test).
    const CVector onPath = from + 0.5 * (0.2 + (to - from).Length() - 0.35) * unit;

    const struct {
        const char* what;
        QPoint at;
        int dialog;
        std::map<int, std::string> texts;
    } cases[] = {
        {"hydrogen nucleus",
         camera.Pixel(to),
         C3DAtomdlg::IDD,
         {{1180, std::to_string(hydrogenNumber)},
          {1181, "Hydrogen"},
          {1182, Real(to.x)},
          {1183, Real(to.y)},
          {1184, Real(to.z)}}},
        {"C-H bond point",
         camera.Pixel(from),
         C3DCritPtdlg::IDD,
         {{1187, std::to_string(bondNumber)},
          {1188, "(3,-1)"},
          {1189, Real(from.x)},
          {1190, Real(from.y)},
          {1191, Real(from.z)},
          {1202, "Analyse"}}},
        {"C-H bond path",
         camera.Pixel(onPath),
         C3DGradPathdlg::IDD,
         {{1196, std::to_string(bondNumber)},
          {1197, "(3,-1)"},
          {1198, Real(from.x)},
          {1199, Real(from.y)},
          {1200, Real(from.z)},
          {1192, "(3,-3)"},
          {1193, Real(to.x)},
          {1194, Real(to.y)},
          {1195, Real(to.z)},
          {1201, Real(path->GetLength())}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ShownDialog shown = DoubleClick(m_view, c.at);
        EXPECT_EQ(shown.id, c.dialog);
        EXPECT_EQ(shown.texts, c.texts);
    }
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(m_view->GetPickedAtom().element, "Hydrogen");
    EXPECT_EQ(m_view->GetPickedAtom().number, hydrogenNumber);
    EXPECT_EQ(m_view->GetPickedCritPoint().type, "(3,-1)");
    EXPECT_EQ(m_view->GetPickedPath().endType, "(3,-3)");
    EXPECT_EQ(m_view->GetPickedPath().end, to);

    EXPECT_EQ(DoubleClick(m_view, QPoint(5, 5)).id, 0);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{" Nothing chosen. \n"});
}

// S saves the picture through the file dialog as a 24-bit bitmap that Qt's
// reader reads back as the frame itself; a folder that does not exist gives
// the reason, Cancel writes nothing.
TEST_F(BenzeneViewTest, KeySSavesThePictureAsABitmapFile) {
    Camera camera;
    camera.translation = CVector(0, 0, -30);
    camera.Apply(*m_view);
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService chooserGuard(chooser);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zelmora-3dview-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "benzene.bmp").string();

    chooser.PushAnswer(file);
    QTest::keyClick(m_view, Qt::Key_S);
    ASSERT_EQ(chooser.Requests().size(), 1u);
    const zel::SFileRequest request = chooser.Requests().front();
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.filter, "Bitmap Files (*.bmp)|*.bmp||");
    EXPECT_EQ(request.defaultExtension, "bmp");
    EXPECT_EQ(request.fileName, "*.bmp");
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_TRUE(m_prompts.Texts().empty());

    const QImage frame = Frame(m_view);
    QImageReader reader(QString::fromStdString(file));
    EXPECT_EQ(reader.format(), "bmp");
    const QImage saved = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(saved.size(), frame.size()) << reader.errorString().toStdString();
    EXPECT_TRUE(saved == frame);
    const std::size_t stride = (3 * static_cast<std::size_t>(frame.width()) + 3) / 4 * 4;
    EXPECT_EQ(std::filesystem::file_size(file), 54 + stride * static_cast<std::size_t>(frame.height()));

    const std::string nowhere = (folder / "missing" / "benzene.bmp").string();
    chooser.PushAnswer(nowhere);
    QTest::keyClick(m_view, Qt::Key_S);
    EXPECT_EQ(m_prompts.Texts(),
              std::vector<std::string>{"Could not save to file\n" + nowhere + ": No such file or directory"});

    std::filesystem::remove(file);
    chooser.PushAnswer(std::nullopt);
    QTest::keyClick(m_view, Qt::Key_S);
    EXPECT_EQ(chooser.Requests().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
    std::filesystem::remove_all(folder);
}

// --- a diatomic on the z axis --------------------------------------------------------

// Two nuclei at z = +0.9 (charge 8, drawn red) and z = -0.9 (charge 1, grey)
// with one s Gaussian each in a doubly occupied bonding orbital: maxima near
// the nuclei, a bond point at the origin, two straight bond paths along z.
std::string ZDiatomicWfn() {
    char line[200];
    std::string text = "Diatomic on the z axis\n";
    std::snprintf(line, sizeof line, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI\n", 1, 2, 2);
    text += line;
    const struct {
        const char* label;
        double z, charge;
    } nuclei[] = {{"  O    1", 0.9, 8.0}, {"  H    2", -0.9, 1.0}};
    for (int i = 0; i < 2; ++i) {
        std::snprintf(line, sizeof line, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f\n",
                      nuclei[i].label, i + 1, 0.0, 0.0, nuclei[i].z, nuclei[i].charge);
        text += line;
    }
    text += "CENTRE ASSIGNMENTS    1  2\n";
    text += "TYPE ASSIGNMENTS      1  1\n";
    text += "EXPONENTS  1.2000000E+00 1.2000000E+00\n";
    text += "MO  1                     OCC NO =   2.00000000 ORB. ENERGY =  -0.50000000\n";
    text += "  1.00000000E+00  1.00000000E+00\n";
    text += "END DATA\n";
    text += "RHF      ENERGY =       -1.0000000000   VIRIAL(-V/T)  =   2.00000000\n";
    return text;
}

class ZDiatomicTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_EQ(analysistest::LoadText(m_molecule, ZDiatomicWfn()), 1);
        analysistest::SearchAll(m_molecule);
        ASSERT_EQ(m_molecule.GetList(-3)->size(), 2u);
        ASSERT_EQ(m_molecule.GetList(-1)->size(), 1u);
        auto* bond = static_cast<CBondPoint*>(m_molecule.GetList(-1)->front().get());
        ASSERT_LT(bond->GetPosition().Length(), 1e-6);
        ASSERT_EQ(bond->TraceBondPaths(), 2);
        m_frame = std::make_unique<C3DFrame>(&m_molecule);
        m_view = m_frame->GetView();
        ASSERT_NE(m_view, nullptr) << m_frame->GetMessage();
        ShowFocused(m_frame.get());
        QTest::keyClick(m_view, Qt::Key_M); // the z axis would lie along the paths
    }

    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    CMolecule m_molecule;
    std::unique_ptr<C3DFrame> m_frame;
    C3DView* m_view = nullptr;
};

// Both bond-path cylinders run from their maximum towards the bond point,
// also the one pointing along -z; beyond the nuclei there is nothing.
TEST_F(ZDiatomicTest, BothBondPathsPointTowardsTheBondPoint) {
    Camera camera; // the scene turned so that its z axis runs to the right
    camera.axis = CVector(0, 1, 0);
    camera.angle = kPi / 2;
    camera.translation = CVector(0, 0, -8);
    camera.Apply(*m_view);
    const QImage image = Frame(m_view);
    EXPECT_TRUE(Red(At(image, camera.ShadedSide(CVector(0, 0, 0.9), kNucleus))));
    EXPECT_TRUE(Hydrogen(At(image, camera.ShadedSide(CVector(0, 0, -0.9), kNucleus))));
    EXPECT_TRUE(Red(At(image, camera.ShadedSide(CVector(0, 0, 0), kCritPoint))));
    for (double z : {0.35, -0.35}) {
        const QRgb c = At(image, camera.Pixel(CVector(0, 0, z)));
        EXPECT_TRUE(BondPathPink(c)) << "path at z = " << z << ": " << Describe(c);
    }
    for (double z : {1.6, -1.6}) {
        const QRgb c = At(image, camera.Pixel(CVector(0, 0, z)));
        EXPECT_TRUE(Background(c)) << "beyond the nucleus at z = " << z << ": " << Describe(c);
    }
    // As lines (resolution switch), the same.
    QTest::keyClick(m_view, Qt::Key_L);
    const QImage lines = Frame(m_view);
    for (double z : {0.35, -0.35})
        EXPECT_TRUE(BondPathPink(At(lines, camera.Pixel(CVector(0, 0, z))))) << z;
    for (double z : {1.6, -1.6})
        EXPECT_TRUE(Background(At(lines, camera.Pixel(CVector(0, 0, z))))) << z;
}

// A drag from the centre to the right edge turns the scene about y by
// 2 asin(|P1 - P2| / 1.6), P1 = (0, 0, 0.8) on the ball and P2 on the sheet
// beyond it, once per frame while the button is held: the molecule seen end
// on lies across the picture, its front nucleus to the right.
TEST_F(ZDiatomicTest, TrackballDragTurnsTheSceneByTheDragsAngle) {
    Camera camera;
    camera.translation = CVector(0, 0, -8);
    camera.Apply(*m_view);
    const int w = m_view->width(), h = m_view->height();
    const QPoint start(w / 2, h / 2), end(w - 1, h / 2);
    const double p2x = (2.0 * end.x() - w) / w;
    const double p2z = 0.8 * 0.8 / 2.0 / p2x; // the hyperbolic sheet
    const double phi = 2.0 * std::asin(std::sqrt(p2x * p2x + (0.8 - p2z) * (0.8 - p2z)) / 1.6);

    camera.angle = phi; // where the nuclei will be
    const QPoint front = camera.ShadedSide(CVector(0, 0, 0.9), kNucleus);
    const QPoint back = camera.ShadedSide(CVector(0, 0, -0.9), kNucleus);
    ASSERT_GT(front.x() - w / 2, 150);
    QImage image = Frame(m_view);
    EXPECT_TRUE(Background(At(image, front)));
    EXPECT_TRUE(Background(At(image, back)));

    QTest::mousePress(m_view, Qt::LeftButton, {}, start);
    QTest::mouseMove(m_view, end);
    const float* increment = m_view->GetRotationIncrement();
    EXPECT_NEAR(2.0 * std::acos(increment[3]), phi, 1e-5);
    EXPECT_NEAR(increment[1], -std::sin(phi / 2), 1e-6);
    image = Frame(m_view); // one frame: one turn
    EXPECT_NEAR(2.0 * std::acos(m_view->GetRotation()[3]), phi, 1e-5);
    EXPECT_TRUE(Red(At(image, front))) << Describe(At(image, front));
    EXPECT_TRUE(Hydrogen(At(image, back))) << Describe(At(image, back));

    Frame(m_view); // held: another frame turns once more
    EXPECT_NEAR(2.0 * std::acos(m_view->GetRotation()[3]), 2.0 * phi, 1e-4);
    QTest::mouseRelease(m_view, Qt::LeftButton, {}, end);
    Frame(m_view); // released: it stops
    EXPECT_NEAR(2.0 * std::acos(m_view->GetRotation()[3]), 2.0 * phi, 1e-4);
}

// Whether a pixel within `radius` of p is mostly of one channel (0 red, 1
// green, 2 blue): thin lines and cylinders land within a pixel of where the
// camera puts them.
bool ChannelNear(const QImage& image, QPoint p, int channel, int radius = 2) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (!image.rect().contains(q)) continue;
            const QRgb c = image.pixel(q);
            const int v[3] = {qRed(c), qGreen(c), qBlue(c)};
            if (v[channel] >= 40 && v[channel] > 2 * v[(channel + 1) % 3] + 20 &&
                v[channel] > 2 * v[(channel + 2) % 3] + 20)
                return true;
        }
    return false;
}

// The plane of the current plot, beside the molecule, lies translucent grey
// over the background; without a current plot, or switched off, it is gone.
TEST_F(ZDiatomicTest, PlaneOfTheCurrentPlotIsDrawn) {
    Camera camera;
    camera.translation = CVector(0, 0, -12);
    camera.Apply(*m_view);
    auto plot = std::make_unique<CMolGraphPlot>(&m_molecule);
    CPlotPlane plane = plot->GetPlane();
    plane.Corner0 = CVector(1.5, -1, 0);
    plane.Corner1 = CVector(1.5, 1, 0);
    plane.Corner2 = CVector(3, -1, 0);
    plot->RestorePlane(plane);
    CPlot* current = plot.get();
    m_molecule.GetPlotList().push_front(std::move(plot));
    const QPoint inside = camera.Pixel(CVector(2.25, 0, 0));
    const QPoint outside = camera.Pixel(CVector(2.25, 1.6, 0));

    EXPECT_TRUE(Background(At(Frame(m_view), inside)));
    m_molecule.SetCurrentPlot(current);
    const QImage image = Frame(m_view);
    const QRgb c = At(image, inside);
    EXPECT_TRUE(Grey(c, 10, 255)) << Describe(c);
    EXPECT_TRUE(Background(At(image, outside))) << Describe(At(image, outside));
    m_view->Switches().plane = 0;
    EXPECT_TRUE(Background(At(Frame(m_view), inside)));
    m_view->Switches().plane = 1;
    m_molecule.SetCurrentPlot(nullptr);
    EXPECT_TRUE(Background(At(Frame(m_view), inside)));
}

// The local axes of the current atom, one bohr long from its nucleus, red,
// green and blue; A switches them off.
TEST_F(ZDiatomicTest, AtomicAxesOfTheCurrentAtom) {
    Camera camera;
    camera.translation = CVector(0, 0, -8);
    camera.Apply(*m_view);
    CAtom* oxygen = m_molecule.GetAtomList().front().get();
    m_molecule.SetCurrentAtom(oxygen);
    const CVector nucleus = oxygen->GetPosition();
    std::vector<std::pair<QPoint, int>> spots; // pixel on an axis, its channel
    for (int k = 0; k < 3; ++k) {
        const CVector unit(k == 0, k == 1, k == 2);
        const CVector direction = oxygen->LocalToGlobal(unit) - nucleus;
        // An axis that points at the eye hides behind the nucleus.
        if (std::abs(direction.z) > 0.7 * direction.Length()) continue;
        spots.emplace_back(camera.Pixel(nucleus + 0.7 * direction), k);
    }
    ASSERT_GE(spots.size(), 2u);
    QImage image = Frame(m_view);
    for (const auto& [at, channel] : spots)
        EXPECT_TRUE(ChannelNear(image, at, channel)) << channel << " " << Describe(At(image, at));
    QTest::keyClick(m_view, Qt::Key_A);
    image = Frame(m_view);
    for (const auto& [at, channel] : spots)
        EXPECT_TRUE(Background(At(image, at))) << channel << " " << Describe(At(image, at));
}

// The molecular x axis turned away from the eye: as a cylinder it ends 60
// scene units from the centroid, as a line (L) 120.
TEST_F(ZDiatomicTest, MolecularAxesAsCylindersAndAsLinesTwiceAsLong) {
    QTest::keyClick(m_view, Qt::Key_M); // back on
    Camera camera;
    camera.translation = CVector(0, 0, -16);
    camera.axis = CVector(0, 1, 0);
    camera.angle = 70.0 * kPi / 180.0;
    camera.Apply(*m_view);
    // Points on the x axis, given in bohr (half a scene unit).
    const auto onAxis = [&](double sceneUnits) { return camera.Pixel(CVector(sceneUnits / 2.0, 0, 0)); };
    for (double s : {50.0, 90.0, 130.0})
        ASSERT_TRUE(QRect(0, 0, kSize, kSize).contains(onAxis(s))) << s;
    QImage image = Frame(m_view);
    EXPECT_TRUE(ChannelNear(image, onAxis(50), 0));
    EXPECT_FALSE(ChannelNear(image, onAxis(90), 0));
    QTest::keyClick(m_view, Qt::Key_L);
    image = Frame(m_view);
    EXPECT_TRUE(ChannelNear(image, onAxis(50), 0));
    EXPECT_TRUE(ChannelNear(image, onAxis(90), 0));
    EXPECT_FALSE(ChannelNear(image, onAxis(130), 0));
}

// Set Background Color asks from black; the chosen colour fills the empty
// picture.
TEST_F(ZDiatomicTest, BackgroundTakesTheChosenColour) {
    QColor asked;
    C3DView::SetColorChooser([&](const QColor& initial, QWidget*) -> std::optional<QColor> {
        asked = initial;
        return QColor(0, 0, 255);
    });
    m_view->OnSwitchCommand(C3DView::ID_BACKGROUND);
    C3DView::SetColorChooser({});
    EXPECT_EQ(asked, QColor(Qt::black));
    const QImage image = Frame(m_view);
    for (const QPoint corner : {QPoint(3, 3), QPoint(kSize - 4, kSize - 4)})
        EXPECT_EQ(At(image, corner), qRgb(0, 0, 255)) << Describe(At(image, corner));
}

// A drag sets the scene spinning, a frame per turn; once another window has
// the keyboard, the next frame stops it though the button is still down.
TEST_F(ZDiatomicTest, SpinningStopsWhenTheViewLosesTheFocus) {
    const int w = m_view->width(), h = m_view->height();
    QTest::mousePress(m_view, Qt::LeftButton, {}, QPoint(w / 2, h / 2));
    QTest::mouseMove(m_view, QPoint(w / 2 + 100, h / 2));
    ASSERT_EQ(m_view->IsSpinning(), 1);
    Frame(m_view);
    EXPECT_NE(m_view->GetRotation()[3], 1.0f);

    QWidget other;
    other.resize(200, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return QGuiApplication::focusWindow() == other.windowHandle(); }));
    const std::vector<float> before(m_view->GetRotation(), m_view->GetRotation() + 4);
    Frame(m_view);
    Frame(m_view);
    EXPECT_EQ(std::vector<float>(m_view->GetRotation(), m_view->GetRotation() + 4), before);
    EXPECT_EQ(m_view->IsSpinning(), 0);
    QTest::mouseRelease(m_view, Qt::LeftButton, {}, QPoint(w / 2 + 100, h / 2));
}

// --- a ring point with many paths ----------------------------------------------------

// A (3,+1) point at the origin with twelve straight paths in the x-y plane up
// to twelve (3,-1) points three bohr away, half a radian apart: the paths
// after the ninth take names of the next block of ten, yet a double click on
// any of them shows that path.
class ManyPathsTest : public ::testing::Test {
protected:
    // The field the points and paths belong to, and the current one.
    virtual int Field() const { return 0; }

    void SetUp() override {
        zel::test::App();
        m_molecule.SetFieldIndex(Field());
        auto ring =
            std::make_unique<CRingPoint>(&m_molecule, m_molecule.NextObjectNumber(), Field(), CVector(), 0.0);
        CCritPoint* lower = ring.get();
        m_molecule.GetList(1)->push_back(std::move(ring));
        for (int j = 0; j < 12; ++j) {
            const CVector end(3.0 * std::cos(0.5 * j), 3.0 * std::sin(0.5 * j), 0.0);
            m_ends.push_back(end);
            auto upper =
                std::make_unique<CBondPoint>(&m_molecule, m_molecule.NextObjectNumber(), Field(), end, 0.0);
            auto* path = new CGradPath(&m_molecule, m_molecule.NextObjectNumber(), Field());
            for (int i = 0; i < 20; ++i)
                path->AddPoint(end * (1.0 - i / 20.0), 0.0, true);
            path->SetTraceInfo(0.0, 0, 3.0);
            path->SetLowerPoint(lower);
            path->SetUpperPoint(upper.get());
            lower->AddAscendingPath(path);
            upper->AddDescendingPath(path);
            m_molecule.GetList(-1)->push_back(std::move(upper));
        }
        m_frame = std::make_unique<C3DFrame>(&m_molecule);
        m_view = m_frame->GetView();
        ASSERT_NE(m_view, nullptr) << m_frame->GetMessage();
        ShowFocused(m_frame.get());
    }

    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    CMolecule m_molecule;
    std::vector<CVector> m_ends;
    std::unique_ptr<C3DFrame> m_frame;
    C3DView* m_view = nullptr;
};

TEST_F(ManyPathsTest, EachPathOfAPointWithTenOrMorePathsPicksItself) {
    Camera camera;
    camera.Apply(*m_view);
    for (int j : {0, 8, 9, 10, 11}) {
        SCOPED_TRACE("path " + std::to_string(j));
        const ShownDialog shown = DoubleClick(m_view, camera.Pixel(0.5 * m_ends[j]));
        ASSERT_EQ(shown.id, C3DGradPathdlg::IDD);
        EXPECT_EQ(shown.texts.at(C3DGradPathdlg::kNumber), "1");
        EXPECT_EQ(shown.texts.at(C3DGradPathdlg::kStartType), "(3,+1)");
        EXPECT_EQ(shown.texts.at(C3DGradPathdlg::kEndType), "(3,-1)");
        EXPECT_EQ(shown.texts.at(C3DGradPathdlg::kEnd[0]), Real(m_ends[j].x));
        EXPECT_EQ(shown.texts.at(C3DGradPathdlg::kEnd[1]), Real(m_ends[j].y));
    }
    EXPECT_TRUE(m_prompts.Texts().empty());
}

// Paths of a field other than the density are drawn, but a double click on
// one shows nothing, while their points still show their dialogs.
class PathsOfTheLaplacianTest : public ManyPathsTest {
protected:
    int Field() const override { return 1; }
};

TEST_F(PathsOfTheLaplacianTest, PathsArePickedOnlyInTheDensity) {
    Camera camera;
    camera.Apply(*m_view);
    const QPoint onPath = camera.Pixel(0.5 * m_ends[0]);
    EXPECT_FALSE(Background(At(Frame(m_view), onPath))) << "drawn";
    EXPECT_EQ(DoubleClick(m_view, onPath).id, 0);
    EXPECT_EQ(DoubleClick(m_view, camera.Pixel(m_ends[0])).id, C3DCritPtdlg::IDD);
    EXPECT_TRUE(m_prompts.Texts().empty());
}

} // namespace
