#pragma once
// The one place the astronomy and log-data code learns the site from the settings: the site of a
// TGlobal, the site of the installed settings, and (in Sitesettings.cpp) the wrappers that give
// the position formulas that site when a caller names none.
#include "astro/Site.h"

namespace driftline {

class TGlobal;

// The site, atmosphere and equinox a settings object holds.
TSite SiteFromSettings(const TGlobal& global);
// The site of the installed settings (Global()), read afresh at each call.
TSite CurrentSite();

}  // namespace driftline
