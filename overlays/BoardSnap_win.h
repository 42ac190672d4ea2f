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

// The file a snap taken now goes to, "<desktop>\Screen Snap\screen_<date>_<time>.png" with a number before
// ".png" when a file of that name exists; the folder is made on the way. Empty when the desktop has no path.
std::wstring SnapFileForNow();

// Writes the snap as a 32-bit PNG with alpha. False when the image is empty or GDI+ could not write it.
bool SaveSnapPng(const std::wstring& path, const SnapImage& image);
