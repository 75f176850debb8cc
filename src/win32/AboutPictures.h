// The About box's two pictures, drawn in code: the maker's logo (Image1) and the picture along
// the right edge (Image2).
#pragma once

#include "win32/Win32Gui.h"

namespace pw::win32 {

// Both scale to the rectangle they are given.
void DrawMakerLogo(HDC dc, const RECT& frame);
void DrawSidePicture(HDC dc, const RECT& frame);

}  // namespace pw::win32
