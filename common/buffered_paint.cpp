#include "buffered_paint.h"

void PaintThroughBuffer(HDC target, const RECT& client, const std::function<void(HDC)>& paint)
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = memory != nullptr ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        PatBlt(memory, 0, 0, width, height, WHITENESS);
        paint(memory);
        BitBlt(target, client.left, client.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
}
