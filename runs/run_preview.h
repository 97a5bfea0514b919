// The preview of a command-line run ("/n"): which merged faxes the run would write, from which page
// files in which order, and which files and folders it would refuse, with nothing written.
#pragma once

#include "runs/directory_run.h"

class MergeOptions;

// Plans the run over the record's scan list (as runDirectoryMerge would walk it, every output
// directly in destDir) and puts the plan in the record's log, which it replaces. Nothing is
// created, changed or removed: not the save folder, not a temporary, not a lock. The totals are
// those the run would report for what can be known without writing.
RunTotals previewDirectoryMerge(MergeOptions& options);
