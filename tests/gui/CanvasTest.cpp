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
    EXPECT_EQ(mapMode->iMode, static_cast<uint32_t>(U_MM_HIMETRIC));
    const auto* text = file.Find<U_EMREXTTEXTOUTW>(U_EMR_EXTTEXTOUTW);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->emrtext.nChars, 9u);
    for (unsigned type : {U_EMR_LINETO, U_EMR_POLYLINE, U_EMR_POLYGON, U_EMR_RECTANGLE, U_EMR_ELLIPSE,
                          U_EMR_CREATEPEN, U_EMR_EXTCREATEFONTINDIRECTW, U_EMR_SELECTOBJECT})
        EXPECT_NE(file.Find<U_ENHMETARECORD>(type), nullptr) << type;
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
