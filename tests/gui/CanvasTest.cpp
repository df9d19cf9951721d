// The Qt canvases: where the QPainter canvas puts shapes, clips and text on a
// device of known resolution, and the metafile canvas read back by libuemf.

#include "EmfReader.h"
#include "GuiTestSupport.h"

#include "platform/qt/EmfCanvas.h"
#include "platform/qt/PainterCanvas.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// 254 dots per inch: one pixel is 0.1 mm, ten logical units.
QImage Paper() {
    QImage image(400, 400, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

bool IsWhite(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::white);
}

// The box of the pixels that are not white; empty for none.
QRect Ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!IsWhite(image, x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

TEST(PainterCanvas, ShapesLandWhereTheMappingPutsThem) {
    zel::test::App();
    QImage image = Paper();
    {
        QPainter painter(&image);
        zel::CPainterCanvas dc(painter, 254.0);
        dc.SelectBrush({zel::RGB(0, 0, 0)});
        // y upwards: (500, -500) to (1500, -1500) is 5 mm to 15 mm down.
        dc.Rectangle({500, -500, 1500, -1500});
    }
    EXPECT_EQ(Ink(image), QRect(QPoint(50, 50), QPoint(150, 150)));

    image = Paper();
    {
        QPainter painter(&image);
        zel::CPainterCanvas dc(painter, 254.0);
        // The window origin (-W/2, H/2) of a 40 x 40 mm page puts its
        // centre at the logical origin; the clip keeps the left half.
        dc.SetWindowOrg(-2000, 2000);
        dc.SetClipRect(zel::CRect{0, 0, 200, 400});
        dc.SelectBrush({zel::RGB(0, 0, 255)});
        dc.Ellipse({-1000, 1000, 1000, -1000});
    }
    const QRect ink = Ink(image);
    EXPECT_EQ(ink.right(), 199);
    EXPECT_NEAR(ink.left(), 100, 1);
    EXPECT_NEAR(ink.top(), 100, 1);
    EXPECT_NEAR(ink.bottom(), 300, 1);
}

TEST(PainterCanvas, TextHangsFromItsPointAndIsMeasuredInLogicalUnits) {
    zel::test::App();
    zel::LOGFONT font = zel::CCanvas::DefaultFont();
    font.Height = -1000; // 10 mm characters
    const zel::CSize one = zel::QtTextExtent(font, "MM");
    const zel::CSize two = zel::QtTextExtent(font, "MMMM");
    EXPECT_NEAR(two.cx, 2 * one.cx, 2);
    EXPECT_GT(one.cy, 1000);
    EXPECT_LT(one.cy, 1300);
    font.Height = -2000;
    EXPECT_NEAR(zel::QtTextExtent(font, "MM").cx, 2 * one.cx, 2);

    QImage image = Paper();
    {
        QPainter painter(&image);
        zel::CPainterCanvas dc(painter, 254.0);
        dc.SelectFont(font);
        dc.SetTextAlign(zel::TA_LEFT | zel::TA_TOP);
        dc.TextOut(1000, -1000, "MM");
    }
    const QRect ink = Ink(image);
    ASSERT_FALSE(ink.isEmpty());
    // The top-left corner of the text's cell is the point (100, 100).
    EXPECT_GE(ink.left(), 99);
    EXPECT_GE(ink.top(), 99);
    EXPECT_LE(ink.right(), 100 + (2 * one.cx) / 10 + 1);
    EXPECT_LE(ink.bottom(), 100 + (2 * one.cy) / 10 + 1);
}

TEST(EmfCanvas, EveryRecordIsSafeAndTheHeaderCountsThem) {
    zel::test::App();
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("shapes.emf")).toStdString();
    std::string error;
    auto dc = zel::CEmfCanvas::Create(path, 96.0 / 2540.0, std::string("Zelmora\0shapes.emf\0\0", 20), error);
    ASSERT_TRUE(dc) << error;
    dc->SetWindowOrg(-10500, 14850);
    dc->SetClipRect(zel::CRect{10, 20, 30, 40});
    dc->SelectPen({zel::PS_DOT, 20, zel::RGB(255, 0, 0)});
    dc->MoveTo(0, 0);
    dc->LineTo(1000, 1000);
    const zel::CPoint points[] = {{0, 0}, {100, 0}, {100, 100}};
    dc->Polyline(points);
    dc->SelectBrush({zel::RGB(0, 0, 255), true});
    dc->Polygon(points);
    dc->Rectangle({-100, 100, 100, -100});
    dc->Ellipse({-100, 100, 100, -100});
    dc->SelectFont(zel::CCanvas::DefaultFont());
    dc->TextOut(0, 0, "Zelmora \xC3\xA9");
    dc->SetClipRect(std::nullopt);
    ASSERT_TRUE(dc->Close());

    const zel::test::EmfFile file = zel::test::ReadEmf(path);
    ASSERT_FALSE(file.offsets.empty());
    EXPECT_TRUE(file.safe);
    EXPECT_EQ(file.Header()->dSignature, static_cast<uint32_t>(U_ENHMETA_SIGNATURE));
    EXPECT_EQ(file.Header()->nBytes, file.bytes.size());
    EXPECT_EQ(file.Header()->nRecords, file.offsets.size());
    EXPECT_EQ(file.Record(file.offsets.size() - 1)->iType, static_cast<uint32_t>(U_EMR_EOF));
    EXPECT_EQ(file.Description(), std::u16string(u"Zelmora\0shapes.emf\0\0", 20));
    const auto* mapMode = file.Find<U_EMRSETMAPMODE>(U_EMR_SETMAPMODE);
    ASSERT_NE(mapMode, nullptr);
    EXPECT_EQ(mapMode->iMode, static_cast<uint32_t>(U_MM_ANISOTROPIC));
    const auto* text = file.Find<U_EMREXTTEXTOUTW>(U_EMR_EXTTEXTOUTW);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->emrtext.nChars, 9u);
    for (unsigned type : {U_EMR_LINETO, U_EMR_POLYLINE, U_EMR_POLYGON, U_EMR_RECTANGLE, U_EMR_ELLIPSE,
                          U_EMR_CREATEPEN, U_EMR_EXTCREATEFONTINDIRECTW, U_EMR_SELECTOBJECT})
        EXPECT_NE(file.Find<U_ENHMETARECORD>(type), nullptr) << type;
}

// The file maps every point where the screen puts it, in the form that
// every reader maps alike: MM_ANISOTROPIC with the reference device's
// extents, no window or viewport origin (the page's top-left corner is the
// device's origin), the clip as a logical rectangle between SaveDC and
// RestoreDC, cosmetic pens one reference pixel wide, and a header whose
// bounds (device units) and frame (0.01 mm) hold what was drawn.
TEST(EmfCanvas, TheFileMapsEveryPointWhereTheScreenDoes) {
    zel::test::App();
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("page.emf")).toStdString();
    const double k = 96.0 / 2540.0; // device pixels per 0.01 mm
    std::string error;
    auto dc = zel::CEmfCanvas::Create(path, k, "Zelmora", error);
    ASSERT_TRUE(dc) << error;
    // An A4 page with its centre at (0, 0) and its border 30 mm inside.
    dc->SetWindowOrg(-10500, 14850);
    const zel::CRect border{-7500, 11850, 7500, -11850};
    const zel::CPoint topLeft = dc->LPtoDP({border.left, border.top});
    const zel::CPoint bottomRight = dc->LPtoDP({border.right, border.bottom});
    const zel::CRect clip{topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1};
    dc->SetClipRect(clip);
    dc->SelectPen({zel::PS_SOLID, 0, zel::RGB(0, 0, 0)});
    dc->Rectangle(border);
    dc->SetClipRect(std::nullopt);
    dc->MoveTo(0, 0);
    dc->LineTo(100, 0);
    ASSERT_TRUE(dc->Close());

    const zel::test::EmfFile file = zel::test::ReadEmf(path);
    ASSERT_TRUE(file.safe);
    const auto* mapMode = file.Find<U_EMRSETMAPMODE>(U_EMR_SETMAPMODE);
    const auto* window = file.Find<U_EMRSETWINDOWEXTEX>(U_EMR_SETWINDOWEXTEX);
    const auto* viewport = file.Find<U_EMRSETVIEWPORTEXTEX>(U_EMR_SETVIEWPORTEXTEX);
    ASSERT_TRUE(mapMode && window && viewport);
    EXPECT_EQ(mapMode->iMode, static_cast<uint32_t>(U_MM_ANISOTROPIC));
    EXPECT_EQ(file.Find<U_ENHMETARECORD>(U_EMR_SETWINDOWORGEX), nullptr);
    EXPECT_EQ(file.Find<U_ENHMETARECORD>(U_EMR_SETVIEWPORTORGEX), nullptr);
    // The header's device: its pixels per millimetre are the mapping's.
    const U_EMRHEADER* header = file.Header();
    const double sx = double(viewport->szlExtent.cx) / window->szlExtent.cx;
    const double sy = double(viewport->szlExtent.cy) / window->szlExtent.cy;
    EXPECT_NEAR(sx, k, 1e-4);
    EXPECT_NEAR(sy, -k, 1e-4);
    EXPECT_NEAR(double(header->szlDevice.cx) / header->szlMillimeters.cx / 100.0, sx, 1e-4);
    EXPECT_NEAR(double(header->szlDevice.cy) / header->szlMillimeters.cy / 100.0, -sy, 1e-4);
    auto device = [&](int x, int y) { return QPointF(x * sx, y * sy); };

    // The border lands where the screen draws it, within the header's bounds
    // and frame.
    const auto* rectangle = file.Find<U_EMRRECTANGLE>(U_EMR_RECTANGLE);
    ASSERT_NE(rectangle, nullptr);
    const QPointF a = device(rectangle->rclBox.left, rectangle->rclBox.top);
    const QPointF b = device(rectangle->rclBox.right, rectangle->rclBox.bottom);
    EXPECT_NEAR(a.x(), topLeft.x, 0.5);
    EXPECT_NEAR(a.y(), topLeft.y, 0.5);
    EXPECT_NEAR(b.x(), bottomRight.x, 0.5);
    EXPECT_NEAR(b.y(), bottomRight.y, 0.5);
    const U_RECTL bounds = header->rclBounds;
    EXPECT_LE(bounds.left, topLeft.x);
    EXPECT_LE(bounds.top, topLeft.y);
    EXPECT_GE(bounds.right, bottomRight.x);
    EXPECT_GE(bounds.bottom, bottomRight.y);
    EXPECT_LT(bounds.right - bounds.left, bottomRight.x - topLeft.x + 10);
    const U_RECTL frame = header->rclFrame;
    EXPECT_NEAR(frame.left, bounds.left / k, 1.0);
    EXPECT_NEAR(frame.top, bounds.top / k, 1.0);
    EXPECT_NEAR(frame.right, bounds.right / k, 1.0);
    EXPECT_NEAR(frame.bottom, bounds.bottom / k, 1.0);

    // The clip: saved state, then the border as a logical rectangle that
    // covers the device clip; the state comes back before the line.
    std::vector<unsigned> order;
    for (std::size_t i = 0; i < file.offsets.size(); ++i) {
        const unsigned type = file.Record(i)->iType;
        if (type == U_EMR_SAVEDC || type == U_EMR_INTERSECTCLIPRECT || type == U_EMR_RESTOREDC ||
            type == U_EMR_RECTANGLE || type == U_EMR_LINETO || type == U_EMR_EXTSELECTCLIPRGN)
            order.push_back(type);
    }
    EXPECT_EQ(order, (std::vector<unsigned>{U_EMR_SAVEDC, U_EMR_INTERSECTCLIPRECT, U_EMR_RECTANGLE,
                                            U_EMR_RESTOREDC, U_EMR_LINETO}));
    const auto* clipRecord = file.Find<U_EMRINTERSECTCLIPRECT>(U_EMR_INTERSECTCLIPRECT);
    ASSERT_NE(clipRecord, nullptr);
    const QPointF c = device(clipRecord->rclClip.left, clipRecord->rclClip.top);
    const QPointF d = device(clipRecord->rclClip.right, clipRecord->rclClip.bottom);
    EXPECT_LE(c.x(), clip.left);
    EXPECT_GT(c.x(), clip.left - 1);
    EXPECT_LE(c.y(), clip.top);
    EXPECT_GT(c.y(), clip.top - 1);
    EXPECT_GE(d.x(), clip.right);
    EXPECT_LT(d.x(), clip.right + 1);
    EXPECT_GE(d.y(), clip.bottom);
    EXPECT_LT(d.y(), clip.bottom + 1);
    const auto* restore = file.Find<U_EMRRESTOREDC>(U_EMR_RESTOREDC);
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->iRelative, -1);

    // The line from the logical origin (the page centre) starts there.
    const auto* lineTo = file.Find<U_EMRLINETO>(U_EMR_LINETO);
    ASSERT_NE(lineTo, nullptr);
    EXPECT_EQ(lineTo->ptl.x, 10600);
    EXPECT_EQ(lineTo->ptl.y, -14850);
    const U_EMRMOVETOEX* lastMove = nullptr;
    for (std::size_t i = 0; i < file.offsets.size() && file.Record(i)->iType != U_EMR_LINETO; ++i)
        if (file.Record(i)->iType == U_EMR_MOVETOEX)
            lastMove = reinterpret_cast<const U_EMRMOVETOEX*>(file.Record(i));
    ASSERT_NE(lastMove, nullptr);
    EXPECT_EQ(lastMove->ptl.x, 10500);
    EXPECT_EQ(lastMove->ptl.y, -14850);

    // A pen of width 0 is one pixel of the reference device: 0.26 mm.
    const auto* pen = file.Find<U_EMRCREATEPEN>(U_EMR_CREATEPEN);
    ASSERT_NE(pen, nullptr);
    EXPECT_EQ(pen->lopn.lopnWidth.x, 26);
}

TEST(EmfCanvas, FilesThatCannotBeWrittenAreReported) {
    zel::test::App();
    std::string error;
    EXPECT_FALSE(zel::CEmfCanvas::Create("/nonexistent-folder/x.emf", 1.0, "Zelmora", error));
    EXPECT_EQ(error, "No such file or directory");

    // A full disk: the file must hold the whole metafile.
    auto dc = zel::CEmfCanvas::Create("/dev/full", 1.0, "Zelmora", error);
    ASSERT_TRUE(dc) << error;
    dc->Rectangle({0, 0, 10, 10});
    EXPECT_FALSE(dc->Close());
    EXPECT_EQ(dc->ErrorText(), "the metafile was not written completely");
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

} // namespace
