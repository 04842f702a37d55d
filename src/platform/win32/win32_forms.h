#pragma once
// What the Windows program's own windows share: twips to pixels, the forms' Verdana
// font, window classes whose messages reach a C++ object, the modal loop, the message
// box and the input box.

#include <functional>
#include <string>
#include <windows.h>

namespace win32 {

// The program is aware of each monitor's resolution: twips become pixels at the
// resolution of the monitor the window being laid out is on (inside a form's message
// handling), else at the primary monitor's, where the forms open.

// Twips to pixels at that resolution, halves to the even pixel.
int pixelsX(double twips);
int pixelsY(double twips);
// Dots per inch of the primary monitor and of the monitor a window is on.
int primaryMonitorDpi();
int windowDpi(HWND window);
// The primary screen's size in twips.
double screenTwipsWidth();
double screenTwipsHeight();

// Verdana 8.25 pt, regular: the font of the forms at that resolution. Made once for each
// resolution, kept for the program's life.
HFONT formFont();

// A top-level window whose messages go to onMessage. The object outlives its window;
// destroying the window (close box, Cancel) ends a modal run.
class Window {
public:
    virtual ~Window();
    HWND hwnd() const { return hwnd_; }
    // Runs the window modally: the thread's other windows take no input until it is
    // destroyed. `keyFilter` sees each message first and may take it (true).
    void runModal(const std::function<bool(MSG&)>& keyFilter = {});
    void close();

protected:
    // Creates the window with a client area of that many pixels at (x, y).
    bool create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
                int clientWidth, int clientHeight);
    // A child control in the forms' font; the rectangle in client pixels.
    HWND addControl(const char* className, const char* text, DWORD style, int id, int left, int top,
                    int width, int height, DWORD exStyle = 0);
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void moveToDpi(int dpi, const RECT& proposed);
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    int dpi_ = 0;
};

// MessageBoxA with the forms run time's style number (16, 64 or 68); its answer.
int msgBox(const std::string& text, int style, const std::string& title);

// A modal prompt with one clear-text field, OK and Cancel, its top-left corner at the
// given screen position in twips. It grows to show the whole prompt (wrapped), up to the
// screen's size, and stays on the screen. The typed text, or empty text on Cancel or
// close.
std::string inputBox(const std::string& prompt, const std::string& title, double leftTwips,
                     double topTwips);

// Brings the program's window that is open in front (a modal box, with the windows
// behind it disabled) to the foreground; false when there is none.
bool bringOpenWindowForward();

// The text of a window or control.
std::string windowText(HWND window);

} // namespace win32
