#include "shell/menu_commands.h"

void mContents_Click() {}
void mAbout_Click() {}
