#pragma once
// The steps of the New and Modify commands before their dialog is shown: each does the
// whole command up to the modal show and returns the dialog loaded and preset, or
// nullptr when the command ends there, as it does while the dialog is already showing
// (it is brought forward instead). The commands (shell/menu_commands.h) show it.

class frmAdmin;

frmAdmin* prepareNewPassword();
frmAdmin* prepareModifyPassword();
