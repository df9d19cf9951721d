#pragma once
// Field values on a plane grid, written to a tab-separated text file: the
// settings the document keeps from one Text Out to the next (not saved with
// the document), and the computation and writing that its dialog runs.
//
// Grid: columns + 1 points from corner 0 towards corner 2 (index i, outer)
// and rows + 1 from corner 0 towards corner 1 (index j, inner), both ends
// included: P(i, j) = c0 + (i / columns)(c2 - c0) + (j / rows)(c1 - c0).
// File: with coordinates one line "x<TAB>y<TAB>z<TAB>value" per point (bohr),
// without them one line per i of rows + 1 values, each followed by a tab.
// Numbers with up to 16 significant digits (the shorter of fixed and
// exponent form); every line ends with carriage return and line feed.

#include <memory>
#include <string>
#include <vector>

#include "analysis/PlotPlane.h"

class CMolecule;

class CTextOutData {
public:
    // Counts the dialog accepts, 1 to this: the points are counted and sized
    // in 64 bits, and the grid is computed while the user waits.
    static constexpr int kMaxGridCount = 1000;

    // 20 x 20 intervals, bound 1, coordinates written, "textout.dat"; the
    // plane a 6 x 6 bohr square about the origin in the xy plane, its
    // corners 1 and 2 the neighbours of corner 0 and its points A, B and C
    // those from which the plane dialog derives the same corners.
    CTextOutData();
    ~CTextOutData();
    CTextOutData(const CTextOutData&) = delete;
    CTextOutData& operator=(const CTextOutData&) = delete;

    // Copies every field of the record.
    void SetPlane(const CPlotPlane& plane) { *m_pPlane = plane; }
    const CPlotPlane& GetPlane() const { return *m_pPlane; }
    int GetRows() const { return m_nRows; }
    int GetColumns() const { return m_nColumns; }
    double GetMaxValue() const { return m_dMaxValue; }
    bool GetWriteCoordinates() const { return m_bWriteCoordinates; }
    const std::string& GetFileName() const { return m_strFileName; }

private:
    int m_nRows = 20;
    int m_nColumns = 20;
    double m_dMaxValue = 1.0;
    std::unique_ptr<CPlotPlane> m_pPlane;
    bool m_bWriteCoordinates = true;
    std::string m_strFileName = "textout.dat";
};

// What the grid of one output holds: its points in file order and the
// clipped values.
struct STextOutGrid {
    std::vector<CVector> points;
    std::vector<double> values;
};

enum class TextOutResult { Written, NoMemory, EvaluationFailed, CannotOpen, CannotWrite };

class CTextOutput {
public:
    static constexpr const char* kNoMemory = "Fehler kein Speicher";

    // The grid over the corners of the plane, evaluated with the molecule's
    // current field and clipped to [-|maxValue|, |maxValue|]. Counts outside
    // 1..kMaxGridCount, or memory not to be had: NoMemory. A point where the
    // field cannot be evaluated: EvaluationFailed, with the point in *failedAt.
    static TextOutResult ComputeGrid(CMolecule& molecule, const CPlotPlane& plane, int columns, int rows,
                                     double maxValue, STextOutGrid& grid, CVector* failedAt = nullptr);
    // The file's text for a computed grid.
    static std::string FormatGrid(const STextOutGrid& grid, int columns, int rows, bool coordinates);
    // Computes and writes (replaces) the file at path, beside it first and
    // over it when complete. On failure *message says why (the path and the
    // cause) and the file at path is left as it was.
    static TextOutResult Write(CMolecule& molecule, const CPlotPlane& plane, int columns, int rows,
                               double maxValue, bool coordinates, const std::string& path,
                               std::string* message);
};
