#include "overlays/ZuItemList_win.h"

#include "mainwindow/KestanAssistantDlg_win.h"
#include "mainwindow/ResidentProgram_win.h"

ZuItemList::ZuItemList(int listMode, int iconId) : mode(listMode), groupIconId(iconId) {}

ZuItemList::~ZuItemList() = default;

void ZuItemList::Start() { Create(IDD_ITEMLIST, MainWindow ? MainWindow->Hwnd() : nullptr); }

bool ZuItemList::Stop() noexcept {
    Hide();
    return OverlayWindow::Stop();
}

int ZuItemList::SetItems(const std::vector<_ZuItemListDB>& catalogue, int groupId) {
    shownEntries.clear();
    for (size_t j = 0; j < catalogue.size(); ++j) {
        if (catalogue[j].parentId != groupId) continue;
        shownEntries.push_back(catalogue[j]);
        shownEntries.back().index = int(j);
    }
    return 0;
}

void ZuItemList::ShowAt(int, int, int newMode) { mode = newMode; }

void ZuItemList::Hide() {
    opacity = 0;
    if (Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
}

bool ZuItemList::ContainsWindow(HWND hwnd) const { return hwnd && hwnd == Hwnd(); }
