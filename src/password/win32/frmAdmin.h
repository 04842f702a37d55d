#pragma once
// The password dialog of the Windows program: the same boxes, tab order, checks and
// saves as the X11 program's, on Win32 controls. The New and Modify commands create it,
// preset it and run it modally.

#include "password/admin_checks.h"

#include "platform/win32/win32_forms.h"

#include <cstdint>
#include <string>

class frmAdmin : public win32::Window {
public:
    frmAdmin();

    HWND txtNew = nullptr;
    HWND txtConfirm = nullptr;
    HWND txtOther = nullptr;
    HWND txtAnswer = nullptr;
    HWND cmdOK = nullptr;
    HWND cmdCancel = nullptr;
    HWND optRemindQuestion[4] = {};

    std::string strRemind;
    // The option button clicked or selected last; kept between openings.
    static int16_t intRemind;

    // Selects that option as a click would.
    void selectQuestion(int index);
    void optRemindQuestion_Click(int index);
    void cmdOK_Click();
    // Runs the dialog until it is closed; Enter moves on as Tab does and presses a
    // focused button.
    void show();

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HWND box(AdminBox which) const;
    bool save(AdminSave kind);
    bool filterKey(MSG& message);
};
