#include "PictureDifference.h"

#include <cstdlib>

namespace picturetest {

double DifferingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 6 || std::abs(qGreen(p) - qGreen(q)) > 6 ||
                std::abs(qBlue(p) - qBlue(q)) > 6)
                ++differing;
        }
    return static_cast<double>(differing) / (a.width() * a.height());
}

}  // namespace picturetest
