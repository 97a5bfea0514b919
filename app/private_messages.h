// The main dialog's private window messages.
#pragma once

#include <windows.h>

// Starts (lParam 1) or stops (any other lParam) the automatic merging timer; wParam: minutes.
inline constexpr UINT WM_AUTOMERGE = WM_APP + 1;

// The merge worker has a report waiting in its mailbox (merge_worker.h tells the whole protocol).
inline constexpr UINT WM_WORKER_REPORT = WM_APP + 2;
