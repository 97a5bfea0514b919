// Starting the program again once the installer that asked it to close has ended. A copy of the
// restart helper (quirewell-restart.exe), outside the program's folder so that the installer can
// replace the original, waits for the installer and starts the program with the arguments it has
// now. It is started by this program, so the new version runs as the same user, in the same
// session and unelevated, whoever the installer runs as.
#pragma once

#include <windows.h>

// Starts a copy of the helper for the installer with process id `installer`; false when it
// cannot be done (no helper beside the program, an installer that cannot be waited for).
bool StartAgainAfter(DWORD installer);

// Removes the copies of the helper that earlier upgrades left in the user's temporary folder; a
// copy still waiting stays, and so does everything once this process has started one.
void RemoveRestartCopies();
