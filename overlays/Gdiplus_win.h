#pragma once
// The one way into GDI+ for the whole program: include this instead of <gdiplus.h>.
//
// The program is built with NOMINMAX, so <windows.h> defines no min and max macros; some GDI+ headers
// call min and max unqualified from inside their namespace, which then finds these.
#include <windows.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <objidl.h>

#include <gdiplus.h>
