#pragma once
// The record view: the top-right pane. It shows one text record at a time
// (the critical points or the molecular-graph paths of the current field, the
// current atom, the current interatomic surface, or the properties at a point) under its header
// lines, prints it page by page and writes it to a text file.
//
// Lengths of the layout are in twips (1/1440 inch), as the page layout of the
// printed record is defined in them.

#include <QAbstractScrollArea>
#include <QFont>

#include <string>
#include <vector>

#include "analysis/MoleculeViews.h"
#include "platform/core/TextRecord.h"
#include "shell/DocView.h"

class CMolecule;
class CZelmoraDoc;
class QPrinter;

class CZelmoraView : public QAbstractScrollArea, public CDocView, public IRecordView {
    Q_OBJECT

public:
    enum RecordKind { None = 0, CriticalPoints = 1, MolecularGraph = 2, Atom = 3, Surface = 4, Point = 5 };

    explicit CZelmoraView(CZelmoraDoc* document, QWidget* parent = nullptr);
    // Takes the view's registration back from the molecule.
    ~CZelmoraView() override;

    // CDocView
    QWidget* GetWidget() override { return this; }
    // Registers the view with the molecule; no record shown.
    void OnInitialUpdate() override;
    // Rebuilds a record of critical points, molecular graph, atom or surface from
    // the model, so the view always shows the current field's record; a
    // record that changed is shown from its top.
    void OnUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

    // IRecordView
    void RefreshRecord(bool reset) override;
    void RecordPoint() override;

    // The record builders of the Record menu.
    void OnRecordCriticalPoints();
    void OnRecordMolecularGraph();
    void OnRecordAtom();
    void OnRecordSurface();
    // File > ASCII-Output: the shown lines, exactly, into a text file.
    void OnFileAsciiOutput();
    // Shift+F1.
    void OnContextHelp();

    const zel::CTextRecord& GetLines() const { return m_Lines; }
    int GetRecordKind() const { return m_nRecordKind; }

    // The page layout from the print font: line height (text height plus
    // external leading, twips), lines per page (25 cm of them) and pages.
    void ComputePageLayout();
    int GetLineHeight() const { return m_nLineHeight; }
    int GetLinesPerPage() const { return m_nLinesPerPage; }
    int GetPageCount() const { return m_nPageCount; }

    // Prints every page of the record on the printer (File > Print, Print
    // Preview; a PDF printer writes a file).
    void PrintRecord(QPrinter* printer);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Builders run while no job changes the molecule's lists; a record asked
    // for during a job keeps what the view shows.
    bool CanReadMolecule() const;
    // The record of a kind from the model as it is now: header, then body.
    zel::CTextRecord BuildRecord(int kind) const;
    // Shows the lines; a record that differs from the one shown is shown
    // from its top.
    void SetLines(zel::CTextRecord lines);
    // Builds and shows the record of a kind and updates the document's views.
    void ShowRecord(int kind);
    void PrintCommand(int id);
    // Widest line and total height of the lines in the screen font (pixels).
    void MeasureLines();
    void UpdateScrollBars();

    CZelmoraDoc* m_pDocument;
    zel::CTextRecord m_Lines;
    CMolecule* m_pMolecule = nullptr;
    int m_nRecordKind = None;
    bool m_bShowing = false;
    int m_nLineHeight = 0;
    int m_nLinesPerPage = 48;
    int m_nPageCount = 1;
    int m_nCurrentPage = 0;
    QFont m_ScreenFont;
    QFont m_PrintFont;
    // Cell height plus external leading of the print font, in twips.
    double m_dPrintLineTwips = 0.0;
    int m_nWidestLine = 0;  // pixels
    int m_nTotalHeight = 0; // pixels
};
