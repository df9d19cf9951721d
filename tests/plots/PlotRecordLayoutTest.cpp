// The byte layout of the plot kinds' records in the document, each field at
// its place: the expected bytes are written by hand after the base record
// (whose own layout the plot model's tests pin), so that two fields swapped
// in a serializer show here, not only in a round trip.

#include "../analysis/ByteWriter.h"
#include "PlotTestUtil.h"

#include "platform/core/Archive.h"
#include "plots/ContourPlot.h"
#include "plots/MolGraphPlot.h"
#include "plots/SurfacePlot.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using analysistest::ByteWriter;
using Bytes = analysistest::Bytes;

void Vector(ByteWriter& w, CVector v) {
    w.Double(v.x).Double(v.y).Double(v.z);
}

// The whole record, and the base record of the same plot before it.
template <class P> Bytes KindPart(P& plot) {
    zel::CArchive whole;
    plot.Serialize(whole);
    zel::CArchive base;
    plot.CPlot::Serialize(base);
    const Bytes& all = whole.Bytes();
    const Bytes& head = base.Bytes();
    EXPECT_GE(all.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), all.begin()));
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(head.size()), all.end());
}

// The record read back writes the same bytes.
template <class P> void ReadsBackAlike(P& plot) {
    zel::CArchive out;
    plot.Serialize(out);
    P loaded;
    zel::CArchive in(out.Bytes());
    loaded.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    zel::CArchive again;
    loaded.Serialize(again);
    EXPECT_EQ(again.Bytes(), out.Bytes());
}

TEST(PlotRecordLayout, MeshRecords) {
    CNode node({1.5, -2.5, 3.5}, 0.25);
    node.Flag = 7;
    node.Aux[0] = 11;
    node.Aux[1] = 12;
    node.Aux[2] = 13;
    node.Aux[3] = 14;
    zel::CArchive nodeOut;
    node.Serialize(nodeOut);
    ByteWriter n;
    Vector(n, {1.5, -2.5, 3.5});
    n.Int(7).Int(11).Int(12).Int(13).Int(14).Double(0.25);
    EXPECT_EQ(nodeOut.Bytes(), n.b);
    EXPECT_EQ(n.b.size(), CNode::kArchiveBytes);

    CElement element;
    element.Id = 9;
    element.A = 1;
    element.B = 2;
    element.C = 3;
    element.Normal = {0.5, 0.25, -1};
    element.Centroid = {4, 5, 6};
    zel::CArchive elementOut;
    element.Serialize(elementOut);
    ByteWriter e;
    e.Int(9).Int(1).Int(2).Int(3);
    Vector(e, {0.5, 0.25, -1});
    Vector(e, {4, 5, 6});
    EXPECT_EQ(elementOut.Bytes(), e.b);
    EXPECT_EQ(e.b.size(), CElement::kArchiveBytes);
}

class ContourRecord : public plottest::GaussianPlotTest<CContourPlot> {};

TEST_F(ContourRecord, FieldsInTheirPlaces) {
    plot->SetRows(1);
    plot->SetColumns(2);
    auto level = std::make_unique<CLine>(CVector(1, 2, 3), CVector(4, 5, 6), 25, 2, zel::RGB(1, 2, 3), 0.125);
    plot->GetLevels().push_back(std::move(level));
    auto point = std::make_unique<CSelectedPoint>();
    point->m_nOffPlaneShape = 1;
    point->m_nInPlaneShape = 3;
    point->m_dMarkerSize = 2.5;
    point->m_MarkerColor = zel::RGB(10, 20, 30);
    point->m_bComputedPaths = 1;
    point->m_nPathCount = 12;
    point->m_dBlankDisc = 4.5;
    point->m_dMaxDistance = 0.75;
    point->m_dMaxPathLength = 8.5;
    point->m_dOverlayWidth = 1.25;
    point->m_nOverlayStyle = 1;
    point->m_OverlayColor = zel::RGB(40, 50, 60);
    point->m_bMolGraphPaths = 1;
    point->m_strName = "(3,-1) 1 2 3";
    point->m_nNumber = 42;
    point->m_Position = {-1, -2, -3};
    point->m_MolGraphColor = zel::RGB(70, 80, 90);
    point->m_nMolGraphStyle = 1;
    point->m_dMolGraphWidth = 3.75;
    plot->GetSelectedPoints().push_back(std::move(point));
    plot->GetSegments().push_back(
        std::make_unique<CLine>(CVector(7, 8, 9), CVector(10, 11, 12), 5, 0, zel::RGB(4, 5, 6), -0.5));
    plot->UpdateView();

    ByteWriter w;
    w.Int(1).Int(2).Double(plot->GetTolerance());
    Vector(w, plot->GetViewDirection());
    Vector(w, {0, 0, 0}); // the stored vector
    w.Int(1);
    Vector(w, {1, 2, 3});
    Vector(w, {4, 5, 6});
    w.Int(25).Int(2).Int(0x030201).Double(0.125).Int(0);
    // Not computed: (1+1)(2+1) + 1 x 2 fresh nodes, 1 x 2 fresh elements.
    for (int k = 0; k < 8; ++k) {
        Vector(w, {0, 0, 0});
        w.Int(0).Int(0).Int(0).Int(0).Int(0).Double(0);
    }
    for (int k = 0; k < 2; ++k) {
        w.Int(0).Int(0).Int(0).Int(0);
        Vector(w, {0, 0, 0});
        Vector(w, {0, 0, 0});
    }
    w.Int(1);
    w.Int(1).Int(3).Double(2.5).Int(0x1E140A).Int(1).Int(12).Double(4.5).Double(0.75).Double(8.5);
    w.Double(1.25).Int(1).Int(0x3C3228).Int(1).String("(3,-1) 1 2 3").Int(42);
    Vector(w, {-1, -2, -3});
    w.Int(0x5A5046).Int(1).Double(3.75);
    w.Int(0); // no overlay paths
    w.Int(1);
    Vector(w, {7, 8, 9});
    Vector(w, {10, 11, 12});
    w.Int(5).Int(0).Int(0x060504).Double(-0.5).Int(0);
    EXPECT_EQ(KindPart(*plot), w.b);
    ReadsBackAlike(*plot);
}

class ReliefRecord : public plottest::GaussianPlotTest<CSurfacePlot> {};

TEST_F(ReliefRecord, FieldsInTheirPlaces) {
    plot->SetMaxValue(1.5);
    plot->SetGrid(1, 2);
    plot->SetScale(0.5);
    plot->SetColor(0, {1, 2, 3});
    plot->SetColor(1, {4, 5, 6});
    plot->SetColor(2, {7, 8, 9});
    plot->Toggle(CSurfacePlot::kElementBorderCode);
    plot->Compute();
    ASSERT_EQ(plot->IsNotComputed(), 0);

    ByteWriter w;
    w.Double(1.5).Int(1).Int(2).Double(0.5);
    Vector(w, {1, 2, 3});
    Vector(w, {4, 5, 6});
    Vector(w, {7, 8, 9});
    w.Int(0);
    Vector(w, {0, 0, -1});
    // (1+1)(2+1) + 1 x 2 nodes, each its in-plane point, then its record.
    const auto& nodes = plot->GetNodes();
    ASSERT_EQ(nodes.size(), 8u);
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        Vector(w, plot->GetNodePoints()[k]);
        Vector(w, nodes[k].Position);
        w.Int(0).Int(0).Int(0).Int(0).Int(0).Double(nodes[k].Value);
    }
    // 4 x 1 x 2 triangles: id, nodes a, b, c; normal and centroid not yet drawn.
    const int layout[8][3] = {{0, 1, 6}, {1, 4, 6}, {4, 3, 6}, {3, 0, 6},
                              {1, 2, 7}, {2, 5, 7}, {5, 4, 7}, {4, 1, 7}};
    for (int t = 0; t < 8; ++t) {
        w.Int(t).Int(layout[t][0]).Int(layout[t][1]).Int(layout[t][2]);
        Vector(w, {0, 0, 0});
        Vector(w, {0, 0, 0});
    }
    EXPECT_EQ(KindPart(*plot), w.b);
    ReadsBackAlike(*plot);
}

TEST(MolGraphRecord, FieldsInTheirPlaces) {
    CMolecule molecule;
    CMolGraphPlot plot(&molecule);
    ByteWriter w;
    for (int k = 0; k < CMolGraphPlot::kItemKinds; ++k) {
        plot.SetColor(k, zel::RGB(k, 2 * k, 100 + k));
        plot.SetSize(k, 0.5f + static_cast<float>(k));
    }
    for (int k = 0; k < CMolGraphPlot::kItemKinds; ++k)
        w.Int(static_cast<std::int32_t>(zel::RGB(k, 2 * k, 100 + k)));
    for (int k = 0; k < CMolGraphPlot::kItemKinds; ++k)
        w.Float(0.5f + static_cast<float>(k));
    EXPECT_EQ(KindPart(plot), w.b);
    ReadsBackAlike(plot);
}

} // namespace
