#include "shell/menu_commands.h"

void mNew_Click() {}
void mModify_Click() {}
void mForgot_Click() {}
