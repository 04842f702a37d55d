#pragma once
// The program's icon (a padlock), in the sizes drawn by icons/make_icons.py.

#include <QIcon>

QIcon programIcon();
