#pragma once
// Plots compute as job 99 behind the progress dialog, before the paint,
// print or export that needs their data: painting never computes.

class CMolecule;
class CPlot;

// Registers the body of job 99 (the plot's Compute) with the job table.
void RegisterPlotJobs();

// When the plot needs computing, clears its recompute flag and computes it
// behind the progress dialog titled by its kind, busy meanwhile (the plot
// commands stay disabled). Returns whether it ran the job.
bool ComputePlotIfNeeded(CMolecule& molecule, CPlot& plot);
