// Owners of GDI objects: deleted with their owner, never copied.
#pragma once

#include "platform/winapi.h"

class TFontHandle {
public:
    TFontHandle() = default;
    explicit TFontHandle(HFONT font) : font_(font) {}
    TFontHandle(const TFontHandle&) = delete;
    TFontHandle& operator=(const TFontHandle&) = delete;
    ~TFontHandle() { Reset(nullptr); }

    void Reset(HFONT font) {
        HFONT old = font_;
        font_ = font;
        if (old) DeleteObject(old);
    }
    HFONT get() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// A font of `face` with the designed `height` (negative: character height)
// scaled from 96 dpi to `dpi`.
HFONT CreateDesignedFont(const char* face, int height, int dpi);
