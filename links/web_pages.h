// The maker's web pages that the links open, all built from the one configured web host.
#pragma once

#include "web_site.h"

// The site's root as the main window's site link gives it, without a trailing slash.
inline constexpr char kSiteAddress[] = QW_WEB_SITE;
// The site's root as the about box gives it.
inline constexpr char kSiteRootPage[] = QW_WEB_SITE "/";
inline constexpr char kProductPage[] = QW_WEB_SITE "/quirewell.htm";
inline constexpr char kDonationPage[] = QW_WEB_SITE "/donate.htm";
