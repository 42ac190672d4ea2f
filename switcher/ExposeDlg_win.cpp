#include "switcher/ExposeDlg_win.h"

#include "switcher/Dwm_win.h"

void EXPOSE_DLG::Start() {
    // The library stays loaded for the program's life: an overview thread may use its functions until the
    // process ends.
    static const HMODULE dwmLibrary = LoadDwmEntryPoints(Dwm);
    (void)dwmLibrary;
    Create(IDD_EXPOSE);
}
