// AboutDialog: the program's about box, a modal dialog from template 100 with the program's name
// and version and two links, to the maker's web site and to the donation page.
#pragma once

#include <windows.h>

#include "ui/dialog_base.h"
#include "links/link_label.h"

class AboutDialog : public DialogBase {
public:
    // Shows the box modally from template 100 of `instance`, owned by `owner` (none when null), and
    // returns the code it ended with: 1 for OK, 2 for Escape or the close box, -1 when it could
    // not be created.
    INT_PTR Run(HINSTANCE instance, HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL OnInitDialog();

    LinkLabel siteLink;
    LinkLabel donationLink;
};

// The About command: a fresh box, so that its links start unvisited, owned by the thread's active
// window, and gone when it closes.
void ShowAboutBox(HINSTANCE instance);
