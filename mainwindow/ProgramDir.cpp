#include "mainwindow/ProgramDir.h"

std::wstring ProgramDirFromModulePath(const std::wstring& moduleFileName) {
    std::wstring dir = moduleFileName;
    std::wstring::size_type slash = dir.rfind(L'\\');
    if (slash != std::wstring::npos) dir.resize(slash);
    dir += L'\\';
    return dir;
}
