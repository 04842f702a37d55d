// The forms run time's input box on Windows: a prompt, one clear-text field, OK and Cancel.

#include "password/prompt_fit.h"
#include "platform/win32/win32_forms.h"

#include <algorithm>

namespace win32 {

namespace {

// The prompt wraps as a multi-line edit box does, so a long word breaks too.
constexpr UINT kPromptFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX;
// The box's design in pixels: the prompt's usual area, the buttons beside it, the field
// under it.
constexpr int kMargin = 10, kPromptWidth = 250, kPromptHeight = 70, kButtonWidth = 80;
constexpr int kButtonHeight = 24, kFieldHeight = 22, kFieldGap = 16;

int promptHeightAt(const std::string& prompt, int width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, formFont());
    RECT area{0, 0, width, 0};
    DrawTextA(dc, prompt.c_str(), -1, &area, kPromptFormat | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return area.bottom;
}

class InputBox : public Window {
public:
    std::string typed;
    // The box at (x, y), grown to show the whole prompt and moved back onto the screen
    // if it would leave it.
    bool show(const std::string& prompt, const std::string& title, int x, int y) {
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
        const int besidePrompt = 3 * kMargin + kButtonWidth;
        const int underPrompt = kFieldGap + kFieldHeight + 3 * kMargin;
        const PromptFit fit =
            fitPrompt([&](int width) { return promptHeightAt(prompt, width); }, kPromptWidth,
                      kPromptHeight, work.right - work.left - frameWidth - besidePrompt,
                      work.bottom - work.top - frameHeight - underPrompt);
        const int width = fit.width + besidePrompt, height = fit.height + underPrompt;
        x = std::max(static_cast<int>(work.left),
                     std::min(x, static_cast<int>(work.right) - width - frameWidth));
        y = std::max(static_cast<int>(work.top),
                     std::min(y, static_cast<int>(work.bottom) - height - frameHeight));
        if (!create("VeltraneInputBox", title.c_str(), style, exStyle, x, y, width, height))
            return false;
        addControl("STATIC", prompt.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0, kMargin,
                   kMargin, fit.width, fit.height);
        // Created first of the three, so that it has the focus when the box opens.
        edit_ = addControl("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, 3, kMargin,
                           fit.height + kMargin + kFieldGap, width - 2 * kMargin, kFieldHeight,
                           WS_EX_CLIENTEDGE);
        const int buttonLeft = fit.width + 2 * kMargin;
        addControl("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, buttonLeft, kMargin,
                   kButtonWidth, kButtonHeight);
        addControl("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, buttonLeft,
                   kMargin + kButtonHeight + 6, kButtonWidth, kButtonHeight);
        return true;
    }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            if (LOWORD(wParam) == IDOK)
                typed = windowText(edit_);
            close();
            return 0;
        }
        return Window::onMessage(message, wParam, lParam);
    }

private:
    HWND edit_ = nullptr;
};

} // namespace

std::string inputBox(const std::string& prompt, const std::string& title, double leftTwips,
                     double topTwips) {
    InputBox box;
    if (!box.show(prompt, title, pixelsX(leftTwips), pixelsY(topTwips)))
        return std::string();
    box.runModal();
    return box.typed;
}

} // namespace win32
