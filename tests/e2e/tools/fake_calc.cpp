// A stand-in calculator for the calculator test: copied into the system folder and into the program's folder as
// "calc.exe", it appends the full path it was started from to C:\orvel-probe\calc-started.txt and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    HANDLE file = CreateFileW(L"C:\\orvel-probe\\calc-started.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    char line[MAX_PATH * 3];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, path, int(n), line, sizeof line - 2, nullptr, nullptr);
    line[bytes++] = '\r';
    line[bytes++] = '\n';
    DWORD written = 0;
    WriteFile(file, line, DWORD(bytes), &written, nullptr);
    CloseHandle(file);
    return 0;
}
