#include "tools/demo-driver/ScreenShot.h"

#include "memory/MOwnedHandle.h"

#include <windows.h>

namespace {

void ReleaseScreenDc(HDC dc) {
    ReleaseDC(nullptr, dc);
}

using ScreenDc = MOwnedHandle<MHandlePolicy<HDC, ReleaseScreenDc>>;
using MemoryDc = MOwnedHandle<MHandlePolicy<HDC, DeleteDC>>;
using Bitmap = MOwnedHandle<MHandlePolicy<HBITMAP, DeleteObject>>;

// Keeps a bitmap selected into a memory DC and puts the DC's own one back on the way out, so
// the bitmap is free to be deleted.
class Selection {
public:
    Selection(HDC dc, HBITMAP bitmap) : dc(dc), previous(SelectObject(dc, bitmap)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc, previous); }

    bool IsValid() const { return previous != nullptr && previous != HGDI_ERROR; }

private:
    HDC dc;
    HGDIOBJ previous;
};

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

bool SaveScreenShot(const std::wstring& path) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        return false;
    }
    ScreenDc screen(GetDC(nullptr));
    if (!screen.IsValid()) {
        return false;
    }
    MemoryDc memory(CreateCompatibleDC(screen.Get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    Bitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!memory.IsValid() || !bitmap.IsValid() || pixels == nullptr) {
        return false;
    }
    {
        Selection selection(memory.Get(), bitmap.Get());
        if (!selection.IsValid() || !BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), left,
                                            top, SRCCOPY | CAPTUREBLT)) {
            return false;
        }
    }
    GdiFlush();

    // Rows of a 24-bit bitmap are padded to whole 32-bit words.
    const DWORD rowSize = (static_cast<DWORD>(width) * 3 + 3) & ~DWORD{3};
    const DWORD pixelSize = rowSize * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + pixelSize;
    MKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && WriteAll(file.Get(), &header, sizeof(header)) &&
           WriteAll(file.Get(), &info.bmiHeader, sizeof(info.bmiHeader)) &&
           WriteAll(file.Get(), pixels, pixelSize);
}
