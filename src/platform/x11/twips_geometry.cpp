#include "platform/x11/twips_geometry.h"

#include "platform/x11/forms_services.h"

#include <cmath>

int pixelsX(double twips) {
    return static_cast<int>(std::nearbyint(twips / platform::forms().screen().twipsPerPixelX));
}

int pixelsY(double twips) {
    return static_cast<int>(std::nearbyint(twips / platform::forms().screen().twipsPerPixelY));
}

QRect pixelRect(double left, double top, double width, double height) {
    return QRect(pixelsX(left), pixelsY(top), pixelsX(width), pixelsY(height));
}

double twipsX(int pixels) {
    return pixels * platform::forms().screen().twipsPerPixelX;
}

double twipsY(int pixels) {
    return pixels * platform::forms().screen().twipsPerPixelY;
}
