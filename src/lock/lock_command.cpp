#include "shell/menu_commands.h"

void mnuShowMe_Click() {}
