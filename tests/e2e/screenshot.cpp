#include "screenshot.h"

#include <vector>

#include "framework/Owner.h"
#include "window_query.h"
#include "work_folder.h"

namespace {

using TMemoryDC = TOwner<HDC, &DeleteDC>;
using TBitmap = TOwner<HBITMAP, &DeleteObject>;

class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Rows bottom-up, each padded to four bytes: the BMP layout.
std::string BmpFile(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(stride * static_cast<DWORD>(height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height)
        return std::string();
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return bytes;
}

}  // namespace

bool SaveScreenArea(const RECT& area, const std::string& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const TScreenDC screen(GetDC(nullptr));
    TMemoryDC memory(CreateCompatibleDC(screen.get()));
    TBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen.get() || !memory.get() || !bitmap.get()) return false;
    {
        TSelection selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY | CAPTUREBLT))
            return false;
    }
    const std::string bytes = BmpFile(memory.get(), bitmap.get(), width, height);
    return !bytes.empty() && WriteWholeFile(path, bytes);
}

std::string SaveScreenshot(HWND window, const std::string& name) {
    // Painted now (WM_PAINT is sent across threads); Wine copies the drawing
    // to the screen a moment later.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    AnswersMessages(window);
    Sleep(100);
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) return std::string();
    const std::string folder = NativePath(E2E_SHOTS_DIR);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = JoinPath(folder, name + ".bmp");
    return SaveScreenArea(rect, path) ? path : std::string();
}
