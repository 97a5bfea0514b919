// AboutDialog: its links, its placement over the owner and the commands that close it.
#include "links/about_dialog.h"

#include "links/web_pages.h"
#include "links/window_centering.h"
#include "resources/resource.h"

namespace {

constexpr INT_PTR kEndedByOk = 1;
constexpr INT_PTR kEndedByCancel = 2;

}  // namespace

INT_PTR AboutDialog::Run(HINSTANCE instance, HWND owner) {
    return RunModal(instance, IDD_ABOUT, owner);
}

BOOL AboutDialog::OnInitDialog() {
    // The targets come first, so that each link registers its tooltip with its address.
    siteLink.SetTarget(kSiteRootPage);
    donationLink.SetTarget(kDonationPage);
    if (siteLink.Window() == nullptr) {
        siteLink.Attach(GetDlgItem(Window(), IDC_LINK_SITE));
    }
    if (donationLink.Window() == nullptr) {
        donationLink.Attach(GetDlgItem(Window(), IDC_ABOUT_LINK_DONATE));
    }
    CenterOnOwner(Window(), GetParent(Window()));
    // TRUE gives the focus to the first tab stop, the OK button.
    return TRUE;
}

INT_PTR AboutDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    EndDialog(Window(), kEndedByOk);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(Window(), kEndedByCancel);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

void ShowAboutBox(HINSTANCE instance) {
    AboutDialog dialog;
    dialog.Run(instance, GetActiveWindow());
}
