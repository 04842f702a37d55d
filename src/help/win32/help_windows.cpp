// Help > Contents... and Help > About Veltrane... in the Windows program: the help window
// and the about box, each made fresh and run modally.

#include "help/help_layout.h"
#include "help/link_rules.h"
#include "platform/program_folder.h"
#include "platform/win32/win32_forms.h"
#include "shell/menu_commands.h"

#include <commctrl.h>
#include <shellapi.h>

using win32::pixelsX;
using win32::pixelsY;

namespace {

constexpr int kClose = 200;
constexpr double kCloseWidth = 1215;
constexpr double kCloseHeight = 300;

double twipsX(int pixels) {
    return pixels * 1440.0 / pixelsX(1440);
}

double twipsY(int pixels) {
    return pixels * 1440.0 / pixelsY(1440);
}

// The system's web browser control, when it has one: the ATL host makes a browser for
// an address given as its window text. Without the browser engine (Wine here) there is
// nothing to show the page with.
bool browserAvailable() {
    static const bool available = [] {
        HMODULE atl = LoadLibraryA("atl.dll");
        if (!atl || !LoadLibraryA("mshtml.dll"))
            return false;
        auto init = reinterpret_cast<BOOL(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        return init && init();
    }();
    return available;
}

class frmHelp : public win32::Window {
public:
    frmHelp() {
        InitCommonControls();
        const WindowPlacement place = helpWindowPlacement(win32::screenTwipsWidth());
        const DWORD style = WS_OVERLAPPEDWINDOW;
        // The placement is the outer size; create() takes the client size.
        RECT frame = {0, 0, 0, 0};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        if (!create("VeltraneHelp", "Help", style, WS_EX_CONTROLPARENT, pixelsX(place.left),
                    pixelsY(place.top), pixelsX(place.width) - (frame.right - frame.left),
                    pixelsY(place.height) - (frame.bottom - frame.top)))
            return;
        const std::string page = programFolder() + "\\help\\vtrhelp.html";
        browserWidth_ = place.width - 100;
        browserHeight_ = place.height - 800;
        if (browserAvailable()) {
            WBHelp = addControl("AtlAxWin", ("file:///" + page).c_str(), WS_TABSTOP, 10, 0, 0,
                                pixelsX(browserWidth_), pixelsY(browserHeight_));
        } else {
            WBHelp = addControl("STATIC",
                                ("This system has no web browser control to show the help "
                                 "page with. The page is at:\r\n\r\n" +
                                 page)
                                    .c_str(),
                                SS_LEFT | SS_NOPREFIX, 10, 0, 0, pixelsX(browserWidth_),
                                pixelsY(browserHeight_), WS_EX_CLIENTEDGE);
        }
        cmdClose = addControl("BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, kClose, 0, 0,
                              pixelsX(kCloseWidth), pixelsY(kCloseHeight));
        layOut();
    }

    HWND WBHelp = nullptr;
    HWND cmdClose = nullptr;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SIZE) {
            layOut();
            return 0;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == kClose) {
            close();
            return 0;
        }
        return Window::onMessage(message, wParam, lParam);
    }

private:
    // The layout works on the window's outer size; a step that cannot be carried out
    // leaves its control as it was.
    void layOut() {
        RECT outer;
        if (!cmdClose || !GetWindowRect(hwnd(), &outer))
            return;
        const HelpLayout layout =
            helpLayout(twipsX(outer.right - outer.left), twipsY(outer.bottom - outer.top),
                       browserWidth_, browserHeight_, kCloseWidth);
        browserWidth_ = layout.browserWidth.value_or(browserWidth_);
        browserHeight_ = layout.browserHeight.value_or(browserHeight_);
        const double closeLeft = layout.closeLeft.value_or(0);
        const double closeTop = layout.closeTop.value_or(0);
        MoveWindow(WBHelp, 0, 0, pixelsX(browserWidth_), pixelsY(browserHeight_), TRUE);
        MoveWindow(cmdClose, pixelsX(closeLeft), pixelsY(closeTop), pixelsX(kCloseWidth),
                   pixelsY(kCloseHeight), TRUE);
    }

    double browserWidth_ = 0;
    double browserHeight_ = 0;
};

// ----- the about box ----------------------------------------------------------------

constexpr int kHandPointer = 101;

const char* const kDisclaimer =
    "This software is provided as it is.  You agree to the terms and conditions set out when "
    "you installed it. We shall not be liable for any direct, indirect, incidental or "
    "consequential damages which includes but is not limited to the use of this software, of "
    "loss of data, or profits, or business interuption however caused by or arising in any way.";
const char* const kWebsite = "https://www.corvenna.com";

struct AboutLabel {
    const char* text;
    double left, top, width, height;
    COLORREF colour;
};

class frmAbout : public win32::Window {
public:
    frmAbout() {
        InitCommonControls();
        const int width = pixelsX(5865);
        const int height = pixelsY(4440);
        if (!create("VeltraneAbout", "About Veltrane", WS_POPUP, WS_EX_CONTROLPARENT,
                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height))
            return;
        cmdQuit = addControl("BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, kClose, pixelsX(4440),
                             pixelsY(3960), pixelsX(1215), pixelsY(375));
        labelFont_ = CreateFontA(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, "Arial");
        pointer_ = linkPointer();
    }

    ~frmAbout() override {
        if (labelFont_)
            DeleteObject(labelFont_);
        if (pointer_)
            DestroyCursor(pointer_);
    }

    HWND cmdQuit = nullptr;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && onLink(cursorPoint()) && pointer_) {
                SetCursor(pointer_);
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            mouseMove(lParamPoint(lParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            // The press keeps the mouse with the link until the button is released.
            if (onLink(lParamPoint(lParam))) {
                SetCapture(hwnd());
                pressed_ = message == WM_LBUTTONDOWN ? 1 : 2;
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (GetCapture() == hwnd())
                ReleaseCapture();
            // Released wherever the pointer then is; only the left button opens.
            if (pressed_ == 1 && message == WM_LBUTTONUP)
                ShellExecuteA(nullptr, nullptr, kWebsite, "", "C:\\", SW_SHOWNORMAL);
            pressed_ = 0;
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kClose)
                close();
            return 0;
        default:
            break;
        }
        return Window::onMessage(message, wParam, lParam);
    }

private:
    static POINT lParamPoint(LPARAM lParam) {
        return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    }

    POINT cursorPoint() const {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(hwnd(), &at);
        return at;
    }

    RECT place(const AboutLabel& label) const {
        const int left = pixelsX(label.left);
        const int top = pixelsY(label.top);
        return {left, top, left + pixelsX(label.width), top + pixelsY(label.height)};
    }

    AboutLabel labels(int index) const {
        const AboutLabel all[] = {
            {"version 1.0", 4920, 120, 780, 195, RGB(0, 0, 0)},
            {kDisclaimer, 1560, 1440, 4215, 1335, RGB(128, 128, 128)},
            {"\xA9 2026 Corvenna", 120, 4080, 1245, 195, RGB(0, 0, 0)},
            {kWebsite, 3720, 840, 2055, 195, linkColour_},
        };
        return all[index];
    }
    static constexpr int kLabels = 4;
    static constexpr int kLink = 3;

    bool onLink(POINT at) const {
        const RECT link = place(labels(kLink));
        return pointOnLink(
            static_cast<float>(at.x - link.left), static_cast<float>(at.y - link.top),
            static_cast<float>(link.right - link.left), static_cast<float>(link.bottom - link.top));
    }

    void mouseMove(POINT at) {
        Colorref colour = linkColour_;
        if (onLink(at) || pressed_) {
            // While a press on the link holds the mouse, outside it is the free area.
            const RECT link = place(labels(kLink));
            colour = linkColour(static_cast<float>(twipsX(at.x - link.left)),
                                static_cast<float>(twipsY(at.y - link.top)),
                                static_cast<float>(twipsX(link.right - link.left)),
                                static_cast<float>(twipsY(link.bottom - link.top)));
        } else {
            // Over another label the link keeps its colour; over the free area it is dark.
            bool onLabel = false;
            for (int i = 0; i < kLabels - 1; ++i) {
                const RECT other = place(labels(i));
                onLabel = onLabel || PtInRect(&other, at);
            }
            if (!onLabel)
                colour = kLinkNormalColour;
        }
        if (colour != linkColour_) {
            linkColour_ = colour;
            const RECT link = place(labels(kLink));
            InvalidateRect(hwnd(), &link, FALSE);
        }
    }

    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        paintBackground(dc, client);
        SetBkMode(dc, TRANSPARENT);
        HGDIOBJ old = SelectObject(dc, labelFont_);
        for (int i = 0; i < kLabels; ++i) {
            const AboutLabel label = labels(i);
            RECT at = place(label);
            SetTextColor(dc, label.colour);
            // Only the disclaimer wraps; a one-line label shows all of its text.
            const UINT lines = i == 1 ? DT_WORDBREAK : DT_SINGLELINE | DT_NOCLIP;
            DrawTextA(dc, label.text, -1, &at, DT_LEFT | DT_TOP | DT_NOPREFIX | lines);
        }
        SelectObject(dc, old);
        EndPaint(hwnd(), &ps);
    }

    // A light card with a deep-blue band on the left and the product name across the top.
    static void paintBackground(HDC dc, const RECT& client) {
        const int band = client.right * 88 / 391;
        TRIVERTEX paper[2] = {{0, 0, 0xfb00, 0xfc00, 0xfe00, 0},
                              {client.right, client.bottom, 0xe900, 0xee00, 0xf500, 0}};
        TRIVERTEX blue[2] = {{0, 0, 0x1600, 0x2c00, 0x5200, 0},
                             {band, client.bottom * 256 / 296, 0x2f00, 0x5f00, 0x9e00, 0}};
        GRADIENT_RECT whole = {0, 1};
        GradientFill(dc, paper, 2, &whole, 1, GRADIENT_FILL_RECT_V);
        GradientFill(dc, blue, 2, &whole, 1, GRADIENT_FILL_RECT_V);
        HFONT title = CreateFontA(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, "Verdana");
        HGDIOBJ old = SelectObject(dc, title);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0x1d, 0x35, 0x5e));
        RECT name = {band + 16, 30, client.right - 8, 60};
        DrawTextA(dc, "Veltrane", -1, &name, DT_LEFT | DT_TOP | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteObject(title);
        HPEN rule = CreatePen(PS_SOLID, 1, RGB(0xd9, 0x8c, 0x1f));
        old = SelectObject(dc, rule);
        MoveToEx(dc, band + 16, 84, nullptr);
        LineTo(dc, client.right - 16, 84);
        SelectObject(dc, old);
        DeleteObject(rule);
    }

    // The program's own pointing hand (icon 101), its hot spot on the fingertip.
    static HCURSOR linkPointer() {
        HICON hand =
            static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandPointer),
                                          IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
        if (!hand)
            return nullptr;
        ICONINFO info;
        HCURSOR pointer = nullptr;
        if (GetIconInfo(hand, &info)) {
            info.fIcon = FALSE;
            info.xHotspot = 6;
            info.yHotspot = 0;
            pointer = CreateIconIndirect(&info);
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
        DestroyIcon(hand);
        return pointer;
    }

    HFONT labelFont_ = nullptr;
    HCURSOR pointer_ = nullptr;
    Colorref linkColour_ = kLinkDesignColour;
    int pressed_ = 0; // the button pressed on the link: 1 left, 2 right
};

} // namespace

void mContents_Click() {
    frmHelp form;
    form.runModal();
}

void mAbout_Click() {
    frmAbout form;
    form.runModal();
}
