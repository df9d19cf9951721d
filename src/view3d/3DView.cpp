#include "view3d/3DView.h"

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>

#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/qt/Help.h"
#include "platform/qt/MainWidget.h"
#include "view3d/3DObjectDlgs.h"
#include "view3d/Bitmap.h"
#include "view3d/Trackball.h"

namespace {

C3DView::ColorChooser& ColorChooserSlot() {
    static C3DView::ColorChooser chooser;
    return chooser;
}

std::optional<QColor> ChooseColor(const QColor& initial, QWidget* parent) {
    if (const C3DView::ColorChooser& chooser = ColorChooserSlot()) return chooser(initial, parent);
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid()) return std::nullopt;
    return color;
}

// A GLU quadric for one primitive.
struct QuadricDeleter {
    void operator()(GLUquadric* quadric) const { gluDeleteQuadric(quadric); }
};
using Quadric = std::unique_ptr<GLUquadric, QuadricDeleter>;

void Vertex(CVector v) {
    glVertex3d(v.x, v.y, v.z);
}

void Color(CRgb rgb) {
    glColor3ub(rgb.r, rgb.g, rgb.b);
}

// A width-3 line between two points given in scene units.
void Line(CVector from, CVector to) {
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    Vertex(from);
    Vertex(to);
    glEnd();
}

} // namespace

C3DView::C3DView() : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate) {
    setFormat(RequestedFormat());
}

C3DView::~C3DView() {
    if (m_pMolecule && m_pMolecule->Get3DView() == this) m_pMolecule->Set3DView(nullptr);
}

QSurfaceFormat C3DView::RequestedFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::NoProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(32);
    format.setStencilBufferSize(0);
    format.setSamples(0);
    return format;
}

void C3DView::SetColorChooser(ColorChooser chooser) {
    ColorChooserSlot() = std::move(chooser);
}

void C3DView::OnInitialUpdate(CMolecule* molecule) {
    m_pMolecule = molecule;
    if (m_pMolecule) m_pMolecule->Set3DView(this);
}

void C3DView::OnUpdate() {
    Invalidate();
}

void C3DView::Redraw() {
    Invalidate();
}

void C3DView::Invalidate() {
    update();
}

void C3DView::SetRotation(const float q[4]) {
    std::copy(q, q + 4, m_CurQuat);
}

bool C3DView::UpdateScene() {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return false;
    m_Scene = BuildScene(*m_pMolecule);
    return true;
}

// --- GL context ---------------------------------------------------------------------

void C3DView::ReportFailure(const std::string& reason) {
    if (!m_strGLFailure.empty()) return;
    m_strGLFailure = reason;
    if (m_OnFailure) m_OnFailure(reason);
}

void C3DView::initializeGL() {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (!current || current != context() || !current->isValid()) {
        ReportFailure("no OpenGL context can be created for the window.");
        return;
    }
    if (current->isOpenGLES()) {
        ReportFailure("the display offers only OpenGL ES, which lacks the lighting the view draws with.");
        return;
    }
    // Earlier errors are not ours (bounded: a lost context reports forever).
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits <= 0) {
        ReportFailure("the window has no depth buffer.");
        return;
    }
    InitGL();
    if (const GLenum error = glGetError(); error != GL_NO_ERROR)
        ReportFailure(
            zel::Sprintf("OpenGL refused the lighting set-up (error 0x%04x).", static_cast<unsigned>(error)));
}

void C3DView::InitGL() {
    static constexpr GLfloat kAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    static constexpr GLfloat kDiffuse[] = {0.6f, 0.6f, 0.6f, 1.0f};
    static constexpr GLfloat kSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    // Given while the model-view matrix is the identity: the light stays put
    // relative to the eye.
    static constexpr GLfloat kPosition[] = {60.0f, 25.0f, 50.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kSpecular);
    glLightfv(GL_LIGHT0, GL_POSITION, kPosition);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, kSpecular);
    glMateriali(GL_FRONT, GL_SHININESS, 100);
    glEnable(GL_NORMALIZE);
}

void C3DView::resizeGL(int w, int h) {
    if (!m_strGLFailure.empty()) return;
    OnSize(w, h);
}

void C3DView::OnSize(int cx, int cy) {
    m_dAspect = cy == 0 ? static_cast<double>(cx) : static_cast<double>(cx) / static_cast<double>(cy);
    const qreal ratio = devicePixelRatio();
    glViewport(0, 0, static_cast<GLsizei>(std::lround(cx * ratio)),
               static_cast<GLsizei>(std::lround(cy * ratio)));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, m_dAspect, 0.1, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDrawBuffer(GL_BACK);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void C3DView::paintGL() {
    if (!m_strGLFailure.empty()) return;
    glRenderMode(GL_RENDER);
    RenderScene(false);
}

QImage C3DView::RenderFrame() {
    if (!isValid() || !m_strGLFailure.empty()) return {};
    makeCurrent();
    glRenderMode(GL_RENDER);
    RenderScene(false);
    glFinish();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    QImage image(viewport[2], viewport[3], QImage::Format_RGB888);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadBuffer(GL_BACK);
    // GL rows run bottom up.
    for (int row = 0; row < image.height(); ++row)
        glReadPixels(0, image.height() - 1 - row, image.width(), 1, GL_RGB, GL_UNSIGNED_BYTE,
                     image.scanLine(row));
    doneCurrent();
    return image;
}

// --- the scene --------------------------------------------------------------------

void C3DView::RenderScene(bool picking) {
    UpdateScene();
    glClearColor(static_cast<GLfloat>(m_Background.x), static_cast<GLfloat>(m_Background.y),
                 static_cast<GLfloat>(m_Background.z), 1.0f);

    // Spinning goes on only while the view has the keyboard focus.
    if (QGuiApplication::focusWindow() != this) m_bSpinning = 0;
    if (m_bSpinning) {
        AddQuaternions(m_LastQuat, m_CurQuat, m_CurQuat);
        Invalidate();
    }

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(m_Translation.x, m_Translation.y, m_Translation.z);
    glRotated(5.0, 1.0, 0.0, 0.0);
    glRotated(-5.0, 0.0, 1.0, 0.0);
    float rotation[4][4];
    BuildRotationMatrix(rotation, m_CurQuat);
    glMultMatrixf(&rotation[0][0]);

    if (picking) m_PickNames.clear();
    m_bPicking = picking;
    glInitNames();
    glPushName(scene::kAxesName);
    if (m_Switches.molecularAxes && !picking) {
        if (m_Switches.resolution == 0)
            DrawAxes(1.0f);
        else
            DrawAxesLines(1.0f);
    }
    if (m_Scene.atomicAxes && m_Switches.atomicAxes && !picking) DrawAtomicAxes();
    if (m_Switches.nuclei) DrawNuclei();
    DrawCritPoints();
    if (m_Switches.envelopeMap) DrawEnvelopeMap(m_Scene.centroid, m_Scene.fieldIndex);
    if (m_Switches.bondPaths) DrawBondPaths();
    if (m_Switches.ringPaths) DrawRingPaths();
    if (m_Switches.cagePaths) DrawCagePaths();
    glPopName();
    m_bPicking = false;

    if (m_Switches.plane && m_Scene.plane) DrawPlotPlane();
    glPopMatrix();
    glFlush();
}

void C3DView::DrawAxes(float scale) {
    const int n = 30 / static_cast<int>(scale);
    const CVector origin;
    const CVector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const struct {
        CVector axis, tick1, tick2;
        int code;
    } axes[3] = {{x, y, z, scene::kXAxisCode}, {y, x, z, scene::kYAxisCode}, {z, x, y, scene::kZAxisCode}};
    for (const auto& a : axes) {
        DrawCylinder(0.05, 60.0, origin, a.axis, a.code, scene::kAxesName);
        for (int i = 1; i < n; ++i) {
            const CVector at = static_cast<double>(i) * a.axis;
            DrawCylinder(0.05, 0.2, at, at + a.tick1, a.code, scene::kAxesName);
            DrawCylinder(0.05, 0.2, at, at + a.tick2, a.code, scene::kAxesName);
        }
    }
}

void C3DView::DrawAxesLines(float scale) {
    const int n = 30 / static_cast<int>(scale);
    const CVector origin;
    const CVector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const struct {
        CVector axis, tick1, tick2;
        int code;
    } axes[3] = {{x, y, z, scene::kXAxisCode}, {y, x, z, scene::kYAxisCode}, {z, x, y, scene::kZAxisCode}};
    for (const auto& a : axes) {
        Color(CylinderColor(a.code));
        Line(origin, 2.0 * 60.0 * a.axis);
        for (int i = 1; i < n; ++i) {
            const CVector at = static_cast<double>(i) * a.axis;
            Line(2.0 * at, 2.0 * (at + 0.1 * a.tick1));
            Line(2.0 * at, 2.0 * (at + 0.1 * a.tick2));
        }
    }
}

void C3DView::DrawAtomicAxes() {
    const C3DAtomicAxes& axes = *m_Scene.atomicAxes;
    for (int k = 0; k < 3; ++k) {
        const int code = scene::kXAxisCode + k;
        if (m_Switches.resolution == 0) {
            DrawCylinder(0.05, 2.0, axes.nucleus, axes.ends[k], code, scene::kAxesName);
        } else {
            Color(CylinderColor(code));
            Line(2.0 * axes.nucleus, 2.0 * axes.ends[k]);
        }
    }
}

void C3DView::NoteName(int name, int pick) {
    // A name is the object drawn first under it (names repeat only past the
    // room of their kind).
    if (m_bPicking && pick >= 0) m_PickNames.try_emplace(name, pick);
}

void C3DView::DrawNuclei() {
    for (const C3DSphere& s : m_Scene.nuclei) {
        NoteName(s.name, s.pick);
        DrawSphere(s.radius, s.position, s.code, s.name);
    }
}

void C3DView::DrawCritPoints() {
    const int on[4] = {m_Switches.maxPoints, m_Switches.bondPoints, m_Switches.ringPoints,
                       m_Switches.cagePoints};
    for (int kind = 0; kind < 4; ++kind) {
        if (!on[kind]) continue;
        for (const C3DSphere& s : m_Scene.critPoints[kind]) {
            NoteName(s.name, s.pick);
            DrawSphere(s.radius, s.position, s.code, s.name);
        }
    }
}

void C3DView::DrawPathCylinders(int kind) {
    for (const C3DCylinder& c : m_Scene.paths[kind]) {
        NoteName(c.name, c.pick);
        DrawCylinder(c.radius, c.length, c.start, c.target, c.code, c.name);
    }
}

void C3DView::DrawBondPaths() {
    DrawPathCylinders(0);
}

void C3DView::DrawRingPaths() {
    DrawPathCylinders(1);
}

void C3DView::DrawCagePaths() {
    DrawPathCylinders(2);
}

void C3DView::DrawPlotPlane() {
    const auto& [c0, c1, c2] = *m_Scene.plane;
    const CVector c3 = c0 + (c1 - c0) + (c2 - c0);
    glEnable(GL_BLEND);
    glBegin(GL_TRIANGLES);
    glColor4f(0.8f, 0.8f, 0.8f, 0.5f);
    Vertex(2.0 * c0);
    Vertex(2.0 * c1);
    Vertex(2.0 * c2);
    Vertex(2.0 * c2);
    Vertex(2.0 * c3);
    Vertex(2.0 * c1);
    glEnd();
    glDisable(GL_BLEND);
}

void C3DView::DrawEnvelopeMap(CVector centroid, int fieldIndex) {
    if (!m_Scene.envelopeMap || !m_Scene.envelopeMap->grid) return;
    const C3DEnvelopeMap& map = *m_Scene.envelopeMap;
    const CEnvGrid& grid = *map.grid;
    const auto channels = [](std::uint32_t color, float out[3]) {
        out[0] = static_cast<float>(color & 0xFF) / 255.0f;
        out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
        out[2] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
    };
    float low[3], high[3];
    channels(map.minColor, low);
    channels(map.maxColor, high);
    const float alpha = static_cast<float>(map.transparency);
    const double range = map.maxValue - map.minValue;
    const bool blend = alpha < 1.0f;
    if (blend) glEnable(GL_BLEND);
    int name = scene::kFirstEnvelopeSphereName;
    // The triangles carry a name of their own, for which picking shows
    // nothing; only spheres take names of their own from the next on.
    if (map.displayMode != 0) glLoadName(static_cast<GLuint>(scene::kEnvelopeMapName));
    const int nx = grid.GetCount(0), ny = grid.GetCount(1), nz = grid.GetCount(2);
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k) {
                const CEnvPoint& point = grid.At(i, j, k);
                if (!point.IsInside() || (map.surfaceOnly && !point.IsOnSurface())) continue;
                // Not clamped: a map last derived for another field extrapolates.
                const double f = range == 0.0 ? 0.0 : (point.GetValue(fieldIndex) - map.minValue) / range;
                float rgb[3];
                for (int c = 0; c < 3; ++c)
                    rgb[c] = static_cast<float>(low[c] + f * (high[c] - low[c]));
                if (map.displayMode != 0) {
                    DrawEnvelopeTriangles(centroid, grid, i, j, k, rgb[0], rgb[1], rgb[2], alpha);
                } else {
                    DrawSphere(map.sphereSize, point.GetPosition() - centroid, -4, name++, rgb[0], rgb[1],
                               rgb[2], alpha);
                }
            }
    if (blend) glDisable(GL_BLEND);
}

void C3DView::DrawEnvelopeTriangles(CVector centroid, const CEnvGrid& grid, int i, int j, int k, float red,
                                    float green, float blue, float alpha) {
    glColor4f(red, green, blue, alpha);
    const int nx = grid.GetCount(0), ny = grid.GetCount(1), nz = grid.GetCount(2);
    const CVector p0 = grid.At(i, j, k).GetPosition();
    const CVector n0 = GetEnvelopeNormal(grid, nx, ny, nz, i, j, k);
    // A neighbour on side s (-1 or +1) of an axis, when it exists and is a
    // surface point.
    struct SNeighbour {
        bool present = false;
        CVector position, normal;
    };
    const auto neighbour = [&](int a, int b, int c) {
        SNeighbour n;
        if (!grid.Contains(a, b, c) || !grid.At(a, b, c).IsOnSurface()) return n;
        n.present = true;
        n.position = grid.At(a, b, c).GetPosition();
        n.normal = GetEnvelopeNormal(grid, nx, ny, nz, a, b, c);
        return n;
    };
    const SNeighbour pi[2] = {neighbour(i - 1, j, k), neighbour(i + 1, j, k)};
    const SNeighbour pj[2] = {neighbour(i, j - 1, k), neighbour(i, j + 1, k)};
    const SNeighbour pk[2] = {neighbour(i, j, k - 1), neighbour(i, j, k + 1)};
    for (const SNeighbour& a : pi) {
        if (!a.present) continue;
        for (const SNeighbour& b : pj) {
            if (!b.present) continue;
            DrawTriangle(centroid, p0, a.position, b.position, n0, a.normal, b.normal);
            for (const SNeighbour& c : pk)
                if (c.present)
                    DrawTriangle(centroid, c.position, a.position, b.position, c.normal, a.normal, b.normal);
        }
        for (const SNeighbour& c : pk)
            if (c.present) DrawTriangle(centroid, p0, a.position, c.position, n0, a.normal, c.normal);
    }
    for (const SNeighbour& b : pj) {
        if (!b.present) continue;
        for (const SNeighbour& c : pk)
            if (c.present) DrawTriangle(centroid, p0, b.position, c.position, n0, b.normal, c.normal);
    }
}

void C3DView::DrawTriangle(CVector centroid, CVector a, CVector b, CVector c, CVector na, CVector nb,
                           CVector nc) {
    const CVector face = Cross(b - a, c - b);
    const auto isZero = [](CVector v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; };
    if (isZero(na)) na = face;
    if (isZero(nb)) nb = face;
    if (isZero(nc)) nc = face;
    const double da = na * face, db = nb * face, dc = nc * face;
    const double tolerance = m_Scene.envelopeMap ? m_Scene.envelopeMap->tolerance : 1e-7;
    if (std::fabs(da) < tolerance || std::fabs(db) < tolerance || std::fabs(dc) < tolerance) return;
    // Wound so that the face turns towards the outside the normals show.
    const bool outward = da > 0.0 || db > 0.0 || dc > 0.0;
    const CVector corners[3] = {a, outward ? b : c, outward ? c : b};
    const CVector normals[3] = {na, outward ? nb : nc, outward ? nc : nb};
    glBegin(GL_TRIANGLES);
    for (int n = 0; n < 3; ++n) {
        glNormal3f(static_cast<GLfloat>(normals[n].x), static_cast<GLfloat>(normals[n].y),
                   static_cast<GLfloat>(normals[n].z));
        const CVector v = 2.0 * (corners[n] - centroid);
        glVertex3f(static_cast<GLfloat>(v.x), static_cast<GLfloat>(v.y), static_cast<GLfloat>(v.z));
    }
    glEnd();
}

CVector C3DView::GetEnvelopeNormal(const CEnvGrid& grid, int nx, int ny, int nz, int i, int j, int k) {
    static constexpr double kWeights[4] = {0.0, 1.0, 0.707106781, 0.693361274};
    CVector normal;
    for (int a = -1; a <= 1; ++a)
        for (int b = -1; b <= 1; ++b)
            for (int c = -1; c <= 1; ++c) {
                const int offsets = (a != 0) + (b != 0) + (c != 0);
                if (offsets == 0) continue;
                const int ni = i + a, nj = j + b, nk = k + c;
                if (ni < 0 || nj < 0 || nk < 0 || ni >= nx || nj >= ny || nk >= nz) continue;
                if (grid.At(ni, nj, nk).IsInside()) continue;
                normal = normal + kWeights[offsets] * CVector(a, b, c);
            }
    return normal;
}

void C3DView::DrawSphere(double radius, CVector position, int code, int name, float r, float g, float b,
                         float a) {
    if (code == -4)
        glColor4f(r, g, b, a);
    else
        Color(SphereColor(code));
    const Quadric quadric(gluNewQuadric());
    if (!quadric) return;
    const CVector at = 2.0 * position;
    glTranslated(at.x, at.y, at.z);
    glLoadName(static_cast<GLuint>(name));
    gluSphere(quadric.get(), radius, 10, 10);
    glTranslated(-at.x, -at.y, -at.z);
}

void C3DView::DrawCylinder(double radius, double length, CVector start, CVector target, int code, int name) {
    CCylinderTurn turn;
    // Two equal points give no direction and nothing to draw.
    if (!CylinderTurn(target - start, turn)) return;
    Color(CylinderColor(code));
    const Quadric quadric(gluNewQuadric());
    if (!quadric) return;
    static constexpr GLfloat kBlack[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, kBlack);
    glLoadName(static_cast<GLuint>(name));
    if (m_Switches.resolution == 0) {
        const CVector at = 2.0 * start;
        glTranslated(at.x, at.y, at.z);
        glRotated(turn.angle, turn.axis.x, turn.axis.y, turn.axis.z);
        gluCylinder(quadric.get(), radius, radius, length, 10, 10);
        glRotated(-turn.angle, turn.axis.x, turn.axis.y, turn.axis.z);
        glTranslated(-at.x, -at.y, -at.z);
    } else {
        Line(2.0 * start, 2.0 * target);
    }
}

// --- mouse ------------------------------------------------------------------------

void C3DView::OnLButtonDown(int x, int y) {
    m_bLeftButtonDown = 1;
    m_bSpinning = 0;
    m_bTracking = 1;
    m_nLastX = x;
    m_nLastY = y;
    Invalidate();
}

void C3DView::OnMouseMove(int x, int y) {
    if (!m_bLeftButtonDown || m_bTracking != 1) return;
    m_nWidth = width();
    m_nHeight = height();
    if (m_nWidth <= 0 || m_nHeight <= 0) return;
    const float w = static_cast<float>(m_nWidth);
    const float h = static_cast<float>(m_nHeight);
    Trackball(m_LastQuat, (2.0f * static_cast<float>(m_nLastX) - w) / w,
              (h - 2.0f * static_cast<float>(m_nLastY)) / h, (2.0f * static_cast<float>(x) - w) / w,
              (h - 2.0f * static_cast<float>(y)) / h);
    m_nLastX = x;
    m_nLastY = y;
    m_bSpinning = 1;
    Invalidate();
}

void C3DView::OnLButtonUp() {
    m_bLeftButtonDown = 0;
    m_bTracking = 0;
    m_bSpinning = 0;
}

void C3DView::OnLButtonDblClk(int x, int y) {
    m_bLeftButtonDown = 1;
    m_DblClkPoint = QPoint(x, y);
    PickObject(x, y);
    m_bLeftButtonDown = 0;
}

void C3DView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        OnLButtonDblClk(at.x(), at.y());
    }
    QOpenGLWindow::mouseDoubleClickEvent(event);
}

void C3DView::mousePressEvent(QMouseEvent* event) {
    // A click gives the view the keyboard (and so lets it spin).
    if (QGuiApplication::focusWindow() != this) requestActivate();
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        OnLButtonDown(at.x(), at.y());
    }
    QOpenGLWindow::mousePressEvent(event);
}

void C3DView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    OnMouseMove(at.x(), at.y());
    QOpenGLWindow::mouseMoveEvent(event);
}

void C3DView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLButtonUp();
    QOpenGLWindow::mouseReleaseEvent(event);
}

// --- keys -------------------------------------------------------------------------

void C3DView::DoubleFactor() {
    // Doubling stops at the limit: a held Shift key repeats without end.
    m_nFactor = std::min(m_nFactor * 2, kMaxFactor);
}

void C3DView::HalveFactor() {
    if (m_nFactor > 1) m_nFactor /= 2;
}

void C3DView::OnKeyDown(int key) {
    const double step = 0.2 * m_nFactor;
    switch (key) {
    case VK_TAB:
        m_nFactor = 1;
        return;
    case VK_SHIFT:
        DoubleFactor();
        return;
    case VK_CONTROL:
        HalveFactor();
        return;
    case VK_SPACE: {
        m_Translation = CVector(0, 0, -16);
        Trackball(m_CurQuat, 0.0f, 0.0f, 0.0f, 0.0f);
        m_bSpinning = 0;
        m_bTracking = 0;
        break;
    }
    case VK_LEFT:
        m_Translation.x -= step;
        break;
    case VK_UP:
        m_Translation.y += step;
        break;
    case VK_RIGHT:
        m_Translation.x += step;
        break;
    case VK_DOWN:
        m_Translation.y -= step;
        break;
    case 'A':
        Toggle(m_Switches.atomicAxes);
        break;
    case 'B':
        Toggle(m_Switches.bondPaths);
        break;
    case 'C':
        Toggle(m_Switches.cagePaths);
        break;
    case 'L':
        Toggle(m_Switches.resolution);
        break;
    case 'M':
        Toggle(m_Switches.molecularAxes);
        break;
    case 'R':
        Toggle(m_Switches.ringPaths);
        break;
    case 'S':
        SaveBitmap();
        return;
    case 'X':
        m_Translation.z -= step;
        break;
    case 'Z':
        m_Translation.z += step;
        break;
    default:
        return;
    }
    Invalidate();
}

void C3DView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_F1) {
        OnHelp();
        return;
    }
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier))) {
        OnContextMenu(QPoint(-1, -1), true);
        return;
    }
    static constexpr std::pair<int, int> kNamedKeys[] = {
        {Qt::Key_Tab, VK_TAB},   {Qt::Key_Shift, VK_SHIFT}, {Qt::Key_Control, VK_CONTROL},
        {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP},       {Qt::Key_Right, VK_RIGHT},
        {Qt::Key_Down, VK_DOWN}};
    for (const auto& [qtKey, virtualKey] : kNamedKeys) {
        if (key == qtKey) {
            OnKeyDown(virtualKey);
            return;
        }
    }
    // Space and the letters carry their virtual-key codes (upper case).
    if (key == Qt::Key_Space || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        OnKeyDown(key);
        return;
    }
    QOpenGLWindow::keyPressEvent(event);
}

void C3DView::OnHelp() {
    const zel::ScopedDialogOwner owner(m_pOwner);
    zel::ShowHelpTopic(kHelpTopic);
}

// --- context menu and switches ------------------------------------------------

bool C3DView::event(QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        OnContextMenu(menuEvent->globalPos(), menuEvent->reason() == QContextMenuEvent::Keyboard);
        return true;
    }
    return QOpenGLWindow::event(event);
}

std::vector<C3DView::SMenuItem> C3DView::BuildContextMenu() {
    UpdateScene();
    const C3DScene& s = m_Scene;
    SSwitches& sw = m_Switches;
    std::vector<SMenuItem> items;
    // A kind the molecule does not have gets no item, and its switch goes back
    // on so that it shows once the kind appears.
    const auto offer = [&](bool present, int id, const char* text, int& value) {
        if (present)
            items.push_back({id, text, value == 1});
        else
            value = 1;
    };
    items.push_back({ID_MOLECULAR_AXES, "Molecular Axis Switch On/Off", sw.molecularAxes == 1});
    offer(s.hasCurrentAtom, ID_ATOMIC_AXES, "Atomic Axis Switch On/Off", sw.atomicAxes);
    offer(s.hasAtoms, ID_NUCLEI, "Nuclei Switch On/Off", sw.nuclei);
    offer(s.hasCritPoints[1], ID_BOND_PATHS, "Bond Paths Switch On/Off", sw.bondPaths);
    offer(s.hasCritPoints[1] && s.hasCritPoints[2], ID_RING_PATHS, "Ring Paths Switch On/Off", sw.ringPaths);
    offer(s.hasCritPoints[3] && s.hasCritPoints[2], ID_CAGE_PATHS, "Cage Paths Switch On/Off", sw.cagePaths);
    offer(s.hasCritPoints[0], ID_MAX_POINTS, "(3,-3) Critical Points Switch On/Off", sw.maxPoints);
    offer(s.hasCritPoints[1], ID_BOND_POINTS, "(3,-1) Critical Points On/Off", sw.bondPoints);
    offer(s.hasCritPoints[2], ID_RING_POINTS, "(3,+1) Critical Points Switch On/Off", sw.ringPoints);
    offer(s.hasCritPoints[3], ID_CAGE_POINTS, "(3,+3) Critical Points Switch On/Off", sw.cagePoints);
    if (s.hasEnvelope) items.push_back({ID_ENVELOPE_MAP, "Envelope Map Switch On/Off", sw.envelopeMap == 1});
    items.push_back({ID_RESOLUTION, "Resolution Switch On/Off", sw.resolution == 1});
    items.push_back({ID_SEPARATOR_ROW, std::string(54, '-'), false});
    items.push_back({ID_FACTOR_INCREASE, "Increase Translation/Zoom Factor", false});
    items.push_back({ID_FACTOR_DECREASE, "Decrease Translation/Zoom Factor", false});
    items.push_back({ID_FACTOR_RESET, "Reset Translation/Zoom Factor", false});
    items.push_back({ID_BACKGROUND, "Set Background Color", false});
    return items;
}

void C3DView::OnContextMenu(QPoint screenPoint, bool keyboard) {
    // Opened from the keyboard, the menu has no mouse point: show it at the
    // middle of the view rather than at a screen corner.
    if (keyboard) screenPoint = mapToGlobal(QPoint(width() / 2, height() / 2));
    QMenu menu(m_pOwner);
    for (const SMenuItem& item : BuildContextMenu()) {
        QAction* action = menu.addAction(QString::fromStdString(item.text));
        action->setData(item.id);
        if (item.id <= ID_RESOLUTION) {
            action->setCheckable(true);
            action->setChecked(item.checked);
        }
    }
    // Centred on the point, 3 pixels above it.
    const QPoint at(screenPoint.x() - menu.sizeHint().width() / 2, screenPoint.y() - 3);
    if (QAction* chosen = menu.exec(at)) OnSwitchCommand(chosen->data().toInt());
}

void C3DView::OnSwitchCommand(int id) {
    // Its messages and dialogs belong to this window, not the main one.
    const zel::ScopedDialogOwner owner(m_pOwner);
    SSwitches& sw = m_Switches;
    int* toggled = nullptr;
    switch (id) {
    case ID_MOLECULAR_AXES:
        toggled = &sw.molecularAxes;
        break;
    case ID_ATOMIC_AXES:
        toggled = &sw.atomicAxes;
        break;
    case ID_NUCLEI:
        toggled = &sw.nuclei;
        break;
    case ID_BOND_PATHS:
        toggled = &sw.bondPaths;
        break;
    case ID_RING_PATHS:
        toggled = &sw.ringPaths;
        break;
    case ID_CAGE_PATHS:
        toggled = &sw.cagePaths;
        break;
    case ID_MAX_POINTS:
        toggled = &sw.maxPoints;
        break;
    case ID_BOND_POINTS:
        toggled = &sw.bondPoints;
        break;
    case ID_RING_POINTS:
        toggled = &sw.ringPoints;
        break;
    case ID_CAGE_POINTS:
        toggled = &sw.cagePoints;
        break;
    case ID_ENVELOPE_MAP:
        toggled = &sw.envelopeMap;
        break;
    case ID_RESOLUTION:
        toggled = &sw.resolution;
        break;
    case ID_FACTOR_INCREASE:
        DoubleFactor();
        zel::ShowMessageBox("Translation/Zoom factor increased.\n");
        return;
    case ID_FACTOR_DECREASE:
        HalveFactor();
        zel::ShowMessageBox("Translation/Zoom factor decreased.\n");
        return;
    case ID_FACTOR_RESET:
        m_nFactor = 1;
        zel::ShowMessageBox("Translation/Zoom factor reset to default.\n");
        return;
    case ID_BACKGROUND:
        if (const std::optional<QColor> color = ChooseColor(Qt::black, m_pOwner))
            m_Background = CVector(color->red() / 255.0, color->green() / 255.0, color->blue() / 255.0);
        Invalidate();
        return;
    default:
        return; // 1042 and 1047 to 1054 do nothing
    }
    Toggle(*toggled);
    Invalidate();
}

// --- picking ----------------------------------------------------------------------

void C3DView::PickObject(int x, int y) {
    if (!isValid() || !m_strGLFailure.empty()) return;
    makeCurrent();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::array<GLuint, kSelectBufferSize> buffer{};
    glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glRenderMode(GL_SELECT);
    glLoadIdentity();
    // The one pixel under the mouse, in device pixels, GL's rows running up.
    const double ratio = devicePixelRatio();
    gluPickMatrix((x + 0.5) * ratio, viewport[3] - (y + 0.5) * ratio, 1.0, 1.0, viewport);
    gluPerspective(45.0, m_dAspect, 0.1, 5000.0);
    RenderScene(true);
    const GLint hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    doneCurrent();

    // The projection is back before a dialog opens: the view repaints behind it.
    const std::optional<std::uint32_t> name = FirstHitName(buffer.data(), buffer.size(), hits);
    ShowPickedObject(name ? static_cast<int>(*name) : 0);
}

void C3DView::ShowPickedObject(int name) {
    const zel::ScopedDialogOwner owner(m_pOwner);
    if (name == 0) {
        zel::ShowMessageBox(kNothingChosen);
        return;
    }
    const auto found = m_PickNames.find(name);
    if (found == m_PickNames.end() || found->second < 0 ||
        found->second >= static_cast<int>(m_Scene.targets.size()))
        return;
    const C3DPickTarget& target = m_Scene.targets[static_cast<std::size_t>(found->second)];
    switch (target.kind) {
    case C3DPickTarget::Kind::Nucleus:
        m_PickedAtom = PickedAtom(target);
        ShowAtomDialog();
        break;
    case C3DPickTarget::Kind::CritPoint:
        m_PickedCritPoint = PickedCritPoint(target);
        ShowCritPointDialog();
        break;
    case C3DPickTarget::Kind::Path:
        if (m_Scene.fieldIndex != 0) return;
        m_PickedPath = PickedPath(target);
        ShowGradPathDialog();
        break;
    }
}

void C3DView::ShowAtomDialog() {
    C3DAtomdlg dialog(m_PickedAtom, m_pOwner);
    if (dialog.DoModal() != zel::IDOK) return;
    m_PickedAtom.element = dialog.m_strElement;
    m_PickedAtom.number = dialog.m_nNumber;
    m_PickedAtom.position = CVector(dialog.m_dX, dialog.m_dY, dialog.m_dZ);
}

void C3DView::ShowCritPointDialog() {
    C3DCritPtdlg dialog(m_PickedCritPoint, m_pMolecule, m_pOwner);
    if (dialog.DoModal() != zel::IDOK) return;
    m_PickedCritPoint.type = dialog.m_strType;
    m_PickedCritPoint.number = dialog.m_nNumber;
    m_PickedCritPoint.position = CVector(dialog.m_dX, dialog.m_dY, dialog.m_dZ);
}

void C3DView::ShowGradPathDialog() {
    C3DGradPathdlg dialog(m_PickedPath, m_pOwner);
    if (dialog.DoModal() != zel::IDOK) return;
    m_PickedPath.startType = dialog.m_strStartType;
    m_PickedPath.endType = dialog.m_strEndType;
    m_PickedPath.number = dialog.m_nNumber;
    m_PickedPath.start = CVector(dialog.m_dStartX, dialog.m_dStartY, dialog.m_dStartZ);
    m_PickedPath.end = CVector(dialog.m_dEndX, dialog.m_dEndY, dialog.m_dEndZ);
    m_PickedPath.length = dialog.m_dLength;
}

// --- bitmap export ----------------------------------------------------------------

void C3DView::SaveBitmap() {
    const zel::ScopedDialogOwner owner(m_pOwner);
    // The frame is drawn anew and read from the buffer it was drawn into,
    // before any swap leaves that buffer undefined.
    std::optional<CDib> dib;
    if (isValid() && m_strGLFailure.empty()) {
        makeCurrent();
        glRenderMode(GL_RENDER);
        RenderScene(false);
        glReadBuffer(GL_BACK);
        dib = ReadGLFrameBuffer();
        doneCurrent();
    }
    if (!dib) {
        zel::ShowMessageBox(kNoBitmap);
        return;
    }
    zel::SFileRequest request;
    request.save = true;
    request.filter = "Bitmap Files (*.bmp)|*.bmp||";
    request.defaultExtension = "bmp";
    request.fileName = "*.bmp";
    request.overwritePrompt = true;
    const std::optional<std::string> path = zel::ChooseFile(request);
    if (!path) return;
    std::string reason;
    if (WriteBitmapFile(*path, *dib, &reason) != 0)
        zel::ShowMessageBox(std::string(kCannotSave) + "\n" + reason);
}
