#pragma once
// Shared launch sequence of the computation dialogs.

#include "platform/core/TextRecord.h"

class CMolecule;

// Runs a job behind the progress dialog while the model is marked busy (views
// keep off its lists meanwhile), then shows the job's log in the record dialog.
void RunJobAndShowLog(CMolecule& molecule, const char* title, void* jobObject, int jobType,
                      const zel::CTextRecord& log);
