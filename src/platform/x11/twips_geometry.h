#pragma once
// Twips to pixels (and back) for every window of the program, with the screen's
// twips per pixel; whole pixels are rounded half to even.

#include <QRect>

int pixelsX(double twips);
int pixelsY(double twips);
QRect pixelRect(double left, double top, double width, double height);
double twipsX(int pixels);
double twipsY(int pixels);
