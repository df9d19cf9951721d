#pragma once
// The Option menu's commands: each runs its option dialog on a copy of the
// molecule's record and, after OK, copies the edited values into the record's
// current values (defaults never change). Either way the document is marked
// modified; no view is updated, the numerics read the new values at their next
// use. Each returns the code that ended the dialog.

#include "analysis/Molecule.h"

class QWidget;

int OnLinearAlgebraOptions(CMolecule& molecule, QWidget* parent = nullptr);      // 32776
int OnCritPointOptions(CMolecule& molecule, QWidget* parent = nullptr);          // 32775
int OnGradientPathOptions(CMolecule& molecule, QWidget* parent = nullptr);       // 32781
int OnBasinIntegrationOptions(CMolecule& molecule, QWidget* parent = nullptr);   // 32791
int OnSurfaceIntegrationOptions(CMolecule& molecule, QWidget* parent = nullptr); // 32792
