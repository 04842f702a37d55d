// Test helper: sets what the lock shows beside the core's own blur of the same desktop.
//   blur_probe BEFORE SHOWN SCALE X Y WIDTH HEIGHT
// BEFORE and SHOWN are screenshots (PNG) of the desktop and of the lock over it; SCALE is
// the lock's device pixel ratio. Within the area it prints the largest difference of any
// channel between SHOWN and the core's blur of BEFORE, then the mean step between
// neighbouring pixels in BEFORE and in SHOWN (how sharp each is).

#include "lock/lock_blur.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double meanStep(const QImage& image, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y < area.bottom(); ++y)
        for (int x = area.left(); x < area.right(); ++x) {
            const QRgb here = image.pixel(x, y), right = image.pixel(x + 1, y),
                       below = image.pixel(x, y + 1);
            sum += std::abs(qGreen(here) - qGreen(right)) + std::abs(qGreen(here) - qGreen(below));
        }
    return sum / (static_cast<double>(area.width() - 1) * (area.height() - 1));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 8)
        return 2;
    QImage before = QImage(argv[1]).convertToFormat(QImage::Format_RGB32);
    const QImage shown = QImage(argv[2]).convertToFormat(QImage::Format_RGB32);
    const QRect area(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                     std::atoi(argv[7]));
    if (before.isNull() || shown.size() != before.size() || !before.rect().contains(area))
        return 2;
    const QImage sharp = before.copy();
    blurLockPicture(reinterpret_cast<uint32_t*>(before.bits()), before.width(), before.height(),
                    before.bytesPerLine() / 4, std::atof(argv[3]));
    int largest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb a = before.pixel(x, y), b = shown.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)),
                                std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    std::printf("%d %.2f %.2f\n", largest, meanStep(sharp, area), meanStep(shown, area));
    return 0;
}
