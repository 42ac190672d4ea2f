#include "switcher/ExposeDlg_win.h"

#include "switcher/Dwm_win.h"
#include "switcher/ExposeState.h"
#include "toolkit/Trace_win.h"

void EXPOSE_DLG::Start() {
    // The library stays loaded for the program's life: an overview thread may use its functions until the
    // process ends.
    static const HMODULE dwmLibrary = LoadDwmEntryPoints(Dwm);
    (void)dwmLibrary;
    Create(IDD_EXPOSE);
}

void EXPOSE_DLG::RunOverview() {
    ORVEL_TRACE("overview-requested");
    Expose.busy = 0;
}

void EXPOSE_DLG::OnRawInput(HRAWINPUT) {}
