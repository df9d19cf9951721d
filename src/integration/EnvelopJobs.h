#pragma once
// The envelope grid's jobs on the worker: type 12 runs CEnvelop::Calculate,
// type 13 CEnvelop::Refine, each on the CEnvelop passed as job object. Each
// derives the map of its new grid before it swaps the grid in; a failed job
// leaves the envelope as the job's own documentation says (Envelop.h), and
// the launcher drops an envelope that job 12 left without points.

void RegisterEnvelopeJobs();
