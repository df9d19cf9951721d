#include "analysis/Plot.h"

#include "analysis/Molecule.h"

int g_nPlotCounter = 0;

CPlot::CPlot(CMolecule* molecule)
    : m_nNumber(g_nPlotCounter), m_pMolecule(molecule), m_nField(molecule ? molecule->GetFieldIndex() : 0) {}
