#include "lock/win32/lock_panel.h"

const char* const kPanelClass = "VeltraneLockPanel";

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);

// The panel artwork: navy with a light edge and the program's name above the box.
LRESULT CALLBACK panelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT all;
        GetClientRect(hwnd, &all);
        HBRUSH navy = CreateSolidBrush(kNavy);
        HPEN edge = CreatePen(PS_SOLID, 1, RGB(150, 170, 215));
        HGDIOBJ oldBrush = SelectObject(dc, navy);
        HGDIOBJ oldPen = SelectObject(dc, edge);
        RoundRect(dc, 0, 0, all.right, all.bottom, 14, 14);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(edge);
        DeleteObject(navy);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT title{13, 6, all.right - 13, 26};
        DrawTextA(dc, "Veltrane", -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

bool registerPanelClass(HINSTANCE instance) {
    WNDCLASSA type{};
    type.hInstance = instance;
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.lpfnWndProc = panelProc;
    type.lpszClassName = kPanelClass;
    return RegisterClassA(&type) != 0;
}
