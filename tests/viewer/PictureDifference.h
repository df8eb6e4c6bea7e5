#pragma once
// Comparing pictures drawn by the renderer, with room for the small differences
// of antialiased edges.
#include <QImage>

namespace picturetest {

// The share of pixels whose colours differ by more than a few levels in any
// channel; 1 for pictures of different sizes.
double DifferingShare(const QImage& a, const QImage& b);

}  // namespace picturetest
