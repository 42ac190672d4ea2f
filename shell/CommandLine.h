#pragma once
// The command line: the whole line (program path included) is lowered and each option searched for as
// a substring. A match at the very first character does not count; any other text is ignored.
#include <string>

struct CommandLineOptions {
    bool hide = false;   // "/hide": hide the settings window as soon as it first becomes visible
    bool close = false;  // "/close": ask the running instance to end, then end at once
    bool reset = false;  // "/reset": delete the settings key; never together with close
    // "/wait", read only together with "/close": after the pulse, stay until the running instance has ended
    // (at most kCloseWaitLimitMs). An uninstaller runs "/close /wait" so that it removes the program's file
    // only once no process runs it any more.
    bool wait = false;
};

// The longest "/close /wait" waits for the running instance to give the mice back and end. Its stop takes
// well under a second; a stuck reset pass is given up on after 3 s, so this only runs out when the pulse
// was lost (an instance still starting) or the instance hangs.
inline constexpr unsigned kCloseWaitLimitMs = 10000;

CommandLineOptions ParseCommandLine(const std::wstring& commandLine);
CommandLineOptions ParseCommandLine(const wchar_t* commandLine);  // null reads as an empty line
