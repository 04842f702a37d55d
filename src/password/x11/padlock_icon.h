#pragma once
// The dialog's 32 x 32 picture beside the reminder questions: a closed padlock, drawn in
// code so that the program carries no image file for it.

#include <QPixmap>

QPixmap padlockIcon();
