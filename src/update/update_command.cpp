#include "shell/menu_commands.h"

void mUpdate_Click() {}
