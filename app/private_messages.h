// The main dialog's private window messages. Every message the merge worker sends is listed
// here with what it carries; the protocol itself is described in merge_worker.cpp.
#pragma once

#include <windows.h>

// Starts (lParam 1) or stops (any other lParam) the automatic merging timer; wParam: minutes.
inline constexpr UINT WM_AUTOMERGE = WM_APP + 1;

// Worker to dialog, all sent synchronously and handled on the UI thread.
// A run begins: disable the controls, copy the held options into the run options. Returns the
// held keep-hierarchy state plus 1.
inline constexpr UINT WM_WORKER_BEGIN = WM_APP + 2;
// The save directory could not be made: show the error box; returns when it is closed.
inline constexpr UINT WM_WORKER_SAVE_DIR_ERROR = WM_APP + 3;
// Reset the progress bar, show the wait cursor, refresh the controls.
inline constexpr UINT WM_WORKER_STARTED = WM_APP + 4;
// Entries are done; lParam: const WorkerReport*. Returns the held keep-hierarchy state plus 1.
inline constexpr UINT WM_WORKER_ENTRY_DONE = WM_APP + 5;
// The run is done; lParam: const WorkerReport*. Closing texts, arrow cursor, controls enabled,
// runActive cleared.
inline constexpr UINT WM_WORKER_RUN_DONE = WM_APP + 6;

#include <string>

// What the worker reports about the entries done since its last report, or at the end of its run.
struct WorkerReport {
    std::string statusText;  // the status of the last entry done, or the closing text
    std::string logText;     // the log's text since the last report
    bool replacesLog;        // true: logText starts this run's log
    unsigned steps;          // entries done since the last report
};
