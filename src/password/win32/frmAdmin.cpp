#include "password/win32/frmAdmin.h"

#include "password/admin_layout.h"
#include "shell/mdlKeyCode.h"
#include "store/mdlGlobal.h"

#include <cstring>

using win32::pixelsX;
using win32::pixelsY;

int16_t frmAdmin::intRemind = 0;

namespace {

// Control ids: the options are kOption + index. None is IDOK or IDCANCEL, which the
// dialog manager sends for Enter and Escape: no button is bound to either.
constexpr int kOption = 100;
constexpr int kOK = 200;
constexpr int kCancel = 201;

struct ControlKind {
    const char* name;
    const char* className;
    const char* caption;
    DWORD style;
    DWORD exStyle;
    int id;
    int maxLength;
};

constexpr DWORD kBox = ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;

// In tab order: the dialog manager tabs through the controls in the order they are made.
const ControlKind kKinds[] = {
    {"txtNew", "EDIT", "", kBox, WS_EX_CLIENTEDGE, 10, 255},
    {"txtConfirm", "EDIT", "", kBox, WS_EX_CLIENTEDGE, 11, 255},
    {"frmQuestion", "BUTTON", "Reminder Question?", BS_GROUPBOX | WS_GROUP, 0, 12, 0},
    {"txtOther", "EDIT", "", kBox, WS_EX_CLIENTEDGE, 13, 1000},
    {"txtAnswer", "EDIT", "", kBox, WS_EX_CLIENTEDGE, 14, 1000},
    {"cmdOK", "BUTTON", "OK", kButton, 0, kOK, 0},
    {"cmdCancel", "BUTTON", "Cancel", kButton, 0, kCancel, 0},
    {"Label1", "STATIC", "Answer:", SS_LEFT | WS_GROUP, 0, 15, 0},
    {"lblConfirm", "STATIC", "Confirm Password:", SS_LEFT, 0, 16, 0},
    {"lblNew", "STATIC", "Your Password:", SS_LEFT, 0, 17, 0},
    // One group, entered by Tab at the selected option.
    {"optRemindQuestion3", "BUTTON", nullptr, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0,
     kOption + 3, 0},
    {"optRemindQuestion2", "BUTTON", nullptr, BS_AUTORADIOBUTTON, 0, kOption + 2, 0},
    {"optRemindQuestion1", "BUTTON", nullptr, BS_AUTORADIOBUTTON, 0, kOption + 1, 0},
    {"optRemindQuestion0", "BUTTON", nullptr, BS_AUTORADIOBUTTON, 0, kOption, 0},
    {"Image1", "STATIC", "", SS_ICON | WS_GROUP, 0, 18, 0},
};

} // namespace

frmAdmin::frmAdmin() {
    const int width = pixelsX(adminLayout::kClientWidth);
    const int height = pixelsY(adminLayout::kClientHeight);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    // Centred on its owner, the hidden main window, which spans nothing: on the screen.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!create("VeltraneAdmin", "Password", style, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, x, y,
                width, height))
        return;
    SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(win32::formFont()), FALSE);
    for (const ControlKind& kind : kKinds) {
        const adminLayout::ControlTwips* place = adminLayout::find(kind.name);
        const int option = kind.id - kOption;
        const char* caption =
            kind.caption ? kind.caption : kQuestionCaptions[option >= 0 && option < 4 ? option : 0];
        HWND control = addControl(kind.className, caption, kind.style, kind.id,
                                  pixelsX(place->left), pixelsY(place->top), pixelsX(place->width),
                                  pixelsY(place->height), kind.exStyle);
        if (kind.maxLength > 0)
            SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(kind.maxLength), 0);
        if (option >= 0 && option < 4)
            optRemindQuestion[option] = control;
        if (std::strcmp(kind.name, "Image1") == 0)
            SendMessageA(control, STM_SETICON,
                         reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_INFORMATION)), 0);
    }
    txtNew = GetDlgItem(hwnd(), 10);
    txtConfirm = GetDlgItem(hwnd(), 11);
    txtOther = GetDlgItem(hwnd(), 13);
    txtAnswer = GetDlgItem(hwnd(), 14);
    cmdOK = GetDlgItem(hwnd(), kOK);
    cmdCancel = GetDlgItem(hwnd(), kCancel);
    // Each load starts without a chosen question, in the first box of the tab order.
    strRemind.clear();
    SetFocus(txtNew);
}

void frmAdmin::selectQuestion(int index) {
    CheckRadioButton(hwnd(), kOption, kOption + 3, kOption + index);
    optRemindQuestion_Click(index);
}

void frmAdmin::optRemindQuestion_Click(int index) {
    if (index < 3) {
        SetWindowTextA(txtOther, "");
        EnableWindow(txtOther, FALSE);
    } else {
        EnableWindow(txtOther, TRUE);
    }
    intRemind = static_cast<int16_t>(index);
}

HWND frmAdmin::box(AdminBox which) const {
    return boxNamed(which, txtNew, txtConfirm, txtOther, txtAnswer);
}

void frmAdmin::cmdOK_Click() {
    int selected = -1;
    for (int i = 0; i < 4; ++i) {
        if (SendMessageA(optRemindQuestion[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            selected = i;
    }
    // The boxes take single bytes only, so everything typed can be stored.
    const AdminEntries entries{win32::windowText(txtNew),
                               win32::windowText(txtConfirm),
                               win32::windowText(txtOther),
                               win32::windowText(txtAnswer),
                               selected,
                               intRemind,
                               strRemind,
                               {}};
    const AdminVerdict verdict =
        checkAdminEntries(entries, mdlGlobal::bEditMode, mdlGlobal::bNewMode);
    strRemind = verdict.remind;
    if (const auto& refusal = verdict.refusal) {
        HWND focus = box(refusal->focus);
        carryOutRefusal(
            *refusal, [focus] { SetFocus(focus); },
            [focus] { SendMessageA(focus, EM_SETSEL, 0, GetWindowTextLengthA(focus)); },
            [&refusal] { win32::msgBox(refusal->message, MB_OK | MB_ICONSTOP, refusal->title); });
        return;
    }
    if (verdict.save == AdminSave::None || !save(verdict.save))
        return;
    if (verdict.save == AdminSave::New)
        refreshPasswordMenu();
    close();
}

bool frmAdmin::save(AdminSave kind) {
    const std::string password = win32::windowText(txtNew);
    const std::string answer = win32::windowText(txtAnswer);
    const platform::FileError result =
        kind == AdminSave::New ? saveNewPassword(password, strRemind, answer, intRemind)
                               : saveEditedPassword(password, strRemind, answer, intRemind);
    if (const auto message = adminSaveMessage(kind, result))
        win32::msgBox(message->text, message->style, message->title);
    return result == platform::FileError::None;
}

bool frmAdmin::filterKey(MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN ||
        !IsChild(hwnd(), message.hwnd))
        return false;
    const HWND focus = GetFocus();
    if (focus == txtNew || focus == txtConfirm || focus == txtOther || focus == txtAnswer) {
        // Enter moves on as Tab does; the dialog manager takes it from here.
        message.wParam = VK_TAB;
        return false;
    }
    // Enter presses a focused button, as Space does; not again by a held key's repeats.
    if ((focus == cmdOK || focus == cmdCancel) && !(message.lParam & (1L << 30)))
        SendMessageA(focus, BM_CLICK, 0, 0);
    return true;
}

void frmAdmin::show() {
    runModal([this](MSG& message) { return filterKey(message); });
}

LRESULT frmAdmin::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        if (id >= kOption && id < kOption + 4)
            optRemindQuestion_Click(id - kOption);
        else if (id == kOK)
            cmdOK_Click();
        else if (id == kCancel)
            close();
        return 0;
    }
    return Window::onMessage(message, wParam, lParam);
}
