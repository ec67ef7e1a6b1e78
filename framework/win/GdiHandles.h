// Owners of GDI objects and the designed fonts.
#pragma once

#include "framework/Owner.h"
#include "platform/winapi.h"

using TFontHandle = TOwner<HFONT, &DeleteObject>;

// A font of `face` with the designed `height` (negative: character height)
// scaled from 96 dpi to `dpi`.
HFONT CreateDesignedFont(const char* face, int height, int dpi);
