#pragma once
// The lock panel's picture: 283 x 88 pixels framing the password box, drawn in code so
// that it needs no image file.

#include <QPixmap>

constexpr int kPanelArtworkWidth = 283;
constexpr int kPanelArtworkHeight = 88;

QPixmap panelArtwork();
