#pragma once
// The about box's background: a light card with a deep-blue band on the left carrying
// a padlock emblem, the product name across the top, and quiet rules that frame where
// the labels stand. Drawn in code so that it is sharp at any size.

#include <QPixmap>
#include <QSize>

QPixmap aboutBackground(const QSize& size);
