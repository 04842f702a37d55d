// Test helper: sets what the lock shows beside the core's own blur of the same desktop.
//   blur_probe BEFORE SHOWN SCALE X Y WIDTH HEIGHT
// BEFORE and SHOWN are screenshots (PNG) of the desktop and of the lock over it; SCALE is
// the lock's device pixel ratio. Within the area (clipped to the screen) it prints the
// largest difference of any channel between SHOWN and the core's blur of BEFORE, then the
// mean step between neighbouring pixels in BEFORE and in SHOWN (how sharp each is).

#include "lock/lock_blur.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 8)
        return 2;
    QImage blurred = QImage(argv[1]).convertToFormat(QImage::Format_RGB32);
    const QImage shown = QImage(argv[2]).convertToFormat(QImage::Format_RGB32);
    const QRect area =
        QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])) &
        blurred.rect();
    if (blurred.isNull() || shown.size() != blurred.size() || area.width() < 2 || area.height() < 2)
        return 2;
    const QImage sharp = blurred.copy();
    blurLockPicture(reinterpret_cast<uint32_t*>(blurred.bits()), blurred.width(), blurred.height(),
                    blurred.bytesPerLine() / 4, std::atof(argv[3]));
    int largest = 0;
    double steps[2] = {0, 0}; // of the sharp picture and of the one shown
    for (int y = area.top(); y < area.bottom(); ++y)
        for (int x = area.left(); x < area.right(); ++x) {
            const QRgb a = blurred.pixel(x, y), b = shown.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)),
                                std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            for (int i = 0; i < 2; ++i) {
                const QImage& image = i ? shown : sharp;
                const int here = qGreen(image.pixel(x, y));
                steps[i] += std::abs(here - qGreen(image.pixel(x + 1, y))) +
                            std::abs(here - qGreen(image.pixel(x, y + 1)));
            }
        }
    const double pixels = static_cast<double>(area.width() - 1) * (area.height() - 1);
    std::printf("%d %.2f %.2f\n", largest, steps[0] / pixels, steps[1] / pixels);
    return 0;
}
