// Stands in for the shell's refresh until the shell is built in; the shell's own
// definition takes its place at link time.
#include "password/menu_refresh.h"

__attribute__((weak)) void refreshPasswordMenu() {}
