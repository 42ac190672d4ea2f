#pragma once
// The command line: the whole line (program path included) is lowered and each option searched for as
// a substring. A match at the very first character does not count; any other text is ignored.
#include <string>

struct CommandLineOptions {
    bool hide = false;   // "/hide": hide the settings window as soon as it first becomes visible
    bool close = false;  // "/close": ask the running instance to end, then end at once
    bool reset = false;  // "/reset": delete the settings key; never together with close
};

CommandLineOptions ParseCommandLine(const std::wstring& commandLine);
CommandLineOptions ParseCommandLine(const wchar_t* commandLine);  // null reads as an empty line
