#pragma once
// The program's pictures, decoded once and kept: the windows draw the same few PNGs on every paint, and
// decoding is the largest cost of a small window's paint. Main thread only (every paint runs there).
#include "overlays/Image_win.h"
#include "shell/DisplayScale.h"

// The decoded PNG `id`; an empty image when it cannot be loaded (the failure is remembered too, so a
// missing picture costs nothing on later paints). The reference stays valid until ReleaseCachedPngs.
const PngImage& CachedPng(int id);

// The picture `id` drawn for `step`: its larger version (ArtResourceId) where the program carries one, else
// the 1x picture. Same lifetime as CachedPng.
const PngImage& CachedArt(int id, ArtStep step);

// Keeps `image`, decoded elsewhere (PngPrefetch), as the PNG `id`, unless that one is kept already or the
// image is empty.
void AdoptCachedPng(int id, PngImage image);

// Lets go of picture `id` in every step (a window that hides and will not draw it again for a long time).
// References to it become invalid; the next CachedPng or CachedArt decodes it again.
void ReleaseCachedArt(int id);

// Deletes every kept picture; the program's stop calls it, before GDI+ shuts down.
void ReleaseCachedPngs();
