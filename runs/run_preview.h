// The preview of a command-line run ("/n"): which merged faxes the run would write, from which page
// files in which order, and which files and folders it would refuse, with nothing written.
#pragma once

#include "runs/directory_run.h"

class MergeOptions;

// Plans the run: the same walk runDirectoryMerge takes, its outputs where the run puts them, with a
// record that only plans, and the plan in the record's log, which it replaces. Nothing is
// created, changed or removed: not the save folder, not a temporary, not a lock. Returns 0, or -1
// when destDir could not be made (the log then holds the run's failure line). The totals are
// those the run would report for what can be known without writing.
int previewDirectoryMerge(MergeOptions& options, RunTotals& totals);
