#pragma once
// The program's directory, ending with a backslash, from the module's full file name.
#include <string>

// Keeps everything before the last backslash and appends one; a name without a backslash is kept
// whole. Works for names of any length: the caller passes the complete module file name.
std::wstring ProgramDirFromModulePath(const std::wstring& moduleFileName);
