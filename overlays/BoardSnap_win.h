#pragma once
// Where the board's snaps go: the clipboard (CF_DIB) and PNG files in "Screen Snap" on the user's desktop.
//
// Threads: main thread (the board's).
#include "overlays/BoardRaster.h"

#include <windows.h>

#include <string>

// Puts the snap on the clipboard as CF_DIB, the clipboard opened for `owner`. False when the clipboard
// could not be opened or would not take the block (nothing is left behind then).
bool CopySnapToClipboard(HWND owner, const SnapImage& image);

// A snap saved into a file: `path` is the file written, or the one (or the folder) that could not be; empty
// when the desktop has no path.
struct SnapFileResult {
    std::wstring path;
    bool saved = false;
};

// Writes the snap as a 32-bit PNG with alpha into a new file "<desktop>\Screen Snap\screen_<date>_<time>.png"
// (the folder made on the way), with " (2)", " (3)", ... before ".png" while a name is taken. A name is taken
// by creating its file (CREATE_NEW): a file that another snap or program made a moment before is never
// written over. A file that could not be written whole is removed again.
SnapFileResult SaveSnapAsNewPng(const SnapImage& image);
