// The property analysis dialog: what it shows after opening, the record it
// hands to the record view, and its failures.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "ui/PopDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const CVector kOxygen(0.0, 0.0, 0.22166486);
const CVector kHydrogen(0.0, 1.43090052, -0.88665943);

// The record view of the application reduced to its point record: rebuilt
// from the molecule whenever it is asked to.
struct FakeRecordView : IRecordView {
    explicit FakeRecordView(CMolecule& m) : molecule(m) {}
    void RefreshRecord(bool reset) override {
        if (reset) kind = 0;
        if (kind == 1) RecordPoint();
    }
    void RecordPoint() override {
        zel::CTextRecord record;
        molecule.WritePointReport(&record);
        lines = record.Lines();
        kind = 1;
        ++shown;
    }
    CMolecule& molecule;
    Lines lines;
    int kind = 0;
    int shown = 0;
};

std::string Real(double value) {
    return zel::FormatDialogReal(value);
}

class PopDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        m_molecule.SetRecordView(&m_view);
    }
    void TearDown() override { m_molecule.SetRecordView(nullptr); }

    // Opens the dialog at point; action runs once it shows (it has calculated
    // by then), then the dialog is closed with OK.
    void Open(CVector point, const std::function<void(CPopDlg&)>& action) {
        zel::test::WhenVisible<CPopDlg>([&](CPopDlg* d) {
            action(*d);
            d->DlgItem<QPushButton>(zel::IDOK)->click();
            if (d->isVisible()) d->done(zel::IDABORT);
        });
        CPopDlg dialog(&m_molecule, point);
        EXPECT_EQ(dialog.DoModal(), zel::IDOK);
    }

    CMolecule m_molecule;
    FakeRecordView m_view{m_molecule};
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_guard{m_prompts};
};

// At the water bond point every field shows the molecule's own evaluation
// there, each in its place of the grids; the record view then gets the record
// of that point, also when it is rebuilt after the point field was edited and
// after other evaluations.
TEST_F(PopDlgTest, ShowsTheEvaluationAtTheBondPointAndRecordsIt) {
    ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
    ASSERT_EQ(m_molecule.NewtonIteration("bond", kOxygen + 0.75 * (kHydrogen - kOxygen), nullptr), 1);
    const CVector p = m_molecule.GetLastPoint();

    std::map<int, std::string> shown;
    std::string name;
    Open(p, [&](CPopDlg& d) {
        for (int id = 1003; id <= 1038; ++id)
            if (d.GetDlgItem(id)) shown[id] = d.GetDlgItemText(id);
        name = d.GetDlgItemText(CPopDlg::kFieldName);
        d.DlgItem<QPushButton>(CPopDlg::kWriteToRecordView)->click();
        // Moving the point without calculating changes nothing in the record.
        d.SetDlgItemText(CPopDlg::kPointX, "1.5");
        d.DlgItem<QPushButton>(CPopDlg::kWriteToRecordView)->click();
    });
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(m_view.shown, 2);
    const Lines recorded = m_view.lines;

    // The oracle: the molecule evaluated again at the point as the fields hold
    // it (15 significant digits).
    CVector q;
    ASSERT_TRUE(zel::ParseDialogReal(shown[1005], q.x));
    ASSERT_TRUE(zel::ParseDialogReal(shown[1004], q.y));
    ASSERT_TRUE(zel::ParseDialogReal(shown[1003], q.z));
    EXPECT_NEAR((q - p).Length(), 0.0, 1e-13);
    ASSERT_EQ(m_molecule.Evaluate(q, 3), 1);
    const CVector g = m_molecule.GetGradient();
    const CTensor h = m_molecule.GetHessianEigen();
    ASSERT_TRUE(h.HasEigenData());
    const CVector l = *h.GetEigenvalues();
    const CMatrix v = *h.GetEigenvectors();
    const double* values = m_molecule.GetValues();
    const std::map<int, double> expected = {
        {1005, p.x},       {1004, p.y},       {1003, p.z},       {1006, m_molecule.GetLastValue()},
        {1007, g.x},       {1008, g.y},       {1009, g.z},       {1010, h.xx},
        {1012, h.xy},      {1011, h.xz},      {1013, h.xy},      {1015, h.yy},
        {1014, h.yz},      {1016, h.xz},      {1018, h.yz},      {1017, h.zz},
        {1035, l.x},       {1037, l.y},       {1036, l.z},       {1020, v.c0.x},
        {1022, v.c1.x},    {1021, v.c2.x},    {1023, v.c0.y},    {1025, v.c1.y},
        {1024, v.c2.y},    {1026, v.c0.z},    {1028, v.c1.z},    {1027, v.c2.z},
        {1019, values[0]}, {1029, values[1]}, {1032, values[2]}, {1033, values[3]},
        {1038, values[4]},
    };
    for (const auto& [id, value] : expected)
        EXPECT_EQ(shown[id], Real(value)) << "control " << id;
    EXPECT_EQ(name, m_molecule.GetPropertyName(0));
    EXPECT_LT(l.y, 0.0); // a bond point
    EXPECT_GT(l.z, 0.0);

    // The record: the analysed point, not the edited one.
    ASSERT_GE(recorded.size(), 18u);
    EXPECT_EQ(recorded[0], zel::Sprintf("Coordinates of point: %10.6f %10.6f %10.6f", q.x, q.y, q.z));
    EXPECT_EQ(recorded[3], zel::Sprintf("   Density value:  %17.8f", m_molecule.GetLastValue()));
    EXPECT_EQ(recorded[17], zel::Sprintf("   Rho   %18.10le", values[0]));

    // Rebuilt after a path tracer and a plot have evaluated elsewhere.
    ASSERT_EQ(m_molecule.Evaluate(CVector(1.0, 1.0, 1.0), -2), 1);
    ASSERT_EQ(m_molecule.Evaluate(CVector(-1.0, 0.5, 0.0), 1), 1);
    m_view.RefreshRecord(false);
    EXPECT_EQ(m_view.lines, recorded);
}

// The command opens at the current atom's nucleus, or at the origin without a
// current atom; with another field current, 1006 shows that field while 1019
// still shows the density.
TEST_F(PopDlgTest, CommandOpensAtTheCurrentAtomOrTheOrigin) {
    ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
    CAtom* hydrogen = std::next(m_molecule.GetAtomList().begin())->get();
    struct Case {
        const char* name;
        CAtom* atom;
        int field;
        CVector point;
    };
    const Case cases[] = {
        {"no current atom", nullptr, 0, CVector(0, 0, 0)},
        {"hydrogen, Laplacian", hydrogen, 1, hydrogen->GetPosition()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_molecule.SetCurrentAtom(c.atom);
        m_molecule.SetFieldIndex(c.field);
        std::string x, y, z, value, rho, name;
        zel::test::WhenVisible<CPopDlg>([&](CPopDlg* d) {
            x = d->GetDlgItemText(CPopDlg::kPointX);
            y = d->GetDlgItemText(CPopDlg::kPointY);
            z = d->GetDlgItemText(CPopDlg::kPointZ);
            value = d->GetDlgItemText(CPopDlg::kValue);
            rho = d->GetDlgItemText(CPopDlg::kRho);
            name = d->GetDlgItemText(CPopDlg::kFieldName);
            d->DlgItem<QPushButton>(zel::IDOK)->click();
            if (d->isVisible()) d->done(zel::IDABORT);
        });
        OnCalcProperties(m_molecule);
        EXPECT_EQ(x, Real(c.point.x));
        EXPECT_EQ(y, Real(c.point.y));
        EXPECT_EQ(z, Real(c.point.z));
        ASSERT_EQ(m_molecule.Evaluate(c.point, 3), 1);
        EXPECT_EQ(value, Real(m_molecule.GetLastValue()));
        EXPECT_EQ(rho, Real(m_molecule.GetValues()[0]));
        EXPECT_EQ(name, m_molecule.GetPropertyName(c.field));
        m_molecule.SetFieldIndex(0);
        const CVector snapshotPoint = m_molecule.GetPointSnapshot()->Point;
        EXPECT_EQ(snapshotPoint.x, c.point.x);
        EXPECT_EQ(snapshotPoint.z, c.point.z);
    }
    EXPECT_TRUE(m_prompts.Texts().empty());
}

// Without a wavefunction nothing can be evaluated: one message, every field
// keeps its value, and no analysed point exists for the record.
TEST_F(PopDlgTest, FailedCalculationLeavesTheFieldsAsTheyWere) {
    std::string value, x;
    Open(CVector(0.5, 0, 0), [&](CPopDlg& d) {
        value = d.GetDlgItemText(CPopDlg::kValue);
        x = d.GetDlgItemText(CPopDlg::kPointX);
        d.DlgItem<QPushButton>(CPopDlg::kWriteToRecordView)->click();
    });
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Calculation not successful"});
    EXPECT_EQ(value, "0");
    EXPECT_EQ(x, "0.5");
    EXPECT_EQ(m_view.lines, Lines{"No point has been analysed yet."});
}

// A Hessian that could not be diagonalised: one message, the eigen fields keep
// their values while the rest is shown, and the record says so in place of
// the eigen lines.
TEST_F(PopDlgTest, EigensystemFailureKeepsTheEigenFields) {
    ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
    const CVector first(0.3, 0.9, -0.5), second(0.2, -0.7, 0.4);
    std::string eigenBefore, eigenAfter, hessianAfter;
    Open(first, [&](CPopDlg& d) {
        eigenBefore = d.GetDlgItemText(CPopDlg::kEigenvalue[0]);
        m_molecule.GetLAOptions().MaxQLIterations.Current = 0;
        d.SetDlgItemText(CPopDlg::kPointX, zel::FormatDialogReal(second.x));
        d.SetDlgItemText(CPopDlg::kPointY, zel::FormatDialogReal(second.y));
        d.SetDlgItemText(CPopDlg::kPointZ, zel::FormatDialogReal(second.z));
        d.DlgItem<QPushButton>(CPopDlg::kCalculate)->click();
        eigenAfter = d.GetDlgItemText(CPopDlg::kEigenvalue[0]);
        hessianAfter = d.GetDlgItemText(CPopDlg::kHessian[0][0]);
        d.DlgItem<QPushButton>(CPopDlg::kWriteToRecordView)->click();
    });
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Eigensystem calculation not successful"});
    EXPECT_EQ(eigenAfter, eigenBefore);
    EXPECT_NE(eigenBefore, "0");
    ASSERT_EQ(m_molecule.Evaluate(second, 3), 1);
    EXPECT_EQ(hessianAfter, Real(m_molecule.GetHessianEigen().xx));
    ASSERT_GE(m_view.lines.size(), 12u);
    EXPECT_EQ(m_view.lines[0],
              zel::Sprintf("Coordinates of point: %10.6f %10.6f %10.6f", second.x, second.y, second.z));
    EXPECT_EQ(m_view.lines[11], "Eigensystem calculation not successful");
    m_molecule.GetLAOptions().MaxQLIterations.Current = 60;
}

} // namespace
