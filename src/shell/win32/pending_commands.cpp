// Stand-ins for the commands whose Windows front ends are not written yet: each does
// nothing. A part that brings its command removes its stand-in here.

#include "shell/menu_commands.h"

void mNew_Click() {}
void mModify_Click() {}
void mForgot_Click() {}
void mContents_Click() {}
void mAbout_Click() {}
void mUpdate_Click() {}
