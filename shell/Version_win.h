#pragma once
// The operating-system version as the catalogue needs it. The manifest lists no compatibility section,
// so Windows 8 and every later version report 6.2.

// True when GetVersionExW succeeds and reports 6.2 or later; false on failure.
bool ReportsVersion62OrLater();
