#include "framework/win/GdiHandles.h"

#include "framework/win/Dpi.h"

HFONT CreateDesignedFont(const char* face, int height, int dpi) {
    return CreateFontA(ScaleToDpi(height, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}
