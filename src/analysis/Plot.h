#pragma once
// Base of the two-dimensional plots that the molecule's plot list owns.

#include <string>

class CMolecule;

// Number of the next new plot ("New Plot (%d)"); restarts at 0 when the
// document is emptied. Plots live on the user-interface thread.
extern int g_nPlotCounter;

class CPlot {
public:
    CPlot() = default;
    // A new plot: takes the next plot number and the molecule's current field.
    explicit CPlot(CMolecule* molecule);
    virtual ~CPlot() = default;

    CPlot(const CPlot&) = delete;
    CPlot& operator=(const CPlot&) = delete;

    void SetMolecule(CMolecule* molecule) { m_pMolecule = molecule; }
    CMolecule* GetMolecule() const { return m_pMolecule; }
    int GetFieldIndex() const { return m_nField; }
    int GetNumber() const { return m_nNumber; }
    // The text of the plot's title, by which the control pane lists it.
    virtual std::string GetTitleText() const { return {}; }

    static void ResetPlotCounter() { g_nPlotCounter = 0; }
    static void IncrementPlotCounter() { ++g_nPlotCounter; }

protected:
    int m_nNumber = 0;
    CMolecule* m_pMolecule = nullptr; // owner, not owned
    int m_nField = 0;
};
