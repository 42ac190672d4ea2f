#pragma once
// Test builds: how many GDI objects and windows the process holds now, for the end-to-end leak check
// ("gdi=N user=N from=system|table"). Windows counts both itself (GetGuiResources). Wine reports 0 for both,
// so there the GDI figure comes from Wine's own handle table (every live object answers GetObjectType by
// its index alone) and the USER figure counts the process's windows, top-level and child.
#if defined(ORVEL_TEST_HOOKS)
#include <string>

std::string ObjectCountSummary();
#endif
