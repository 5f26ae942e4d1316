#pragma once
// The login screen's artwork, drawn rather than loaded, so it fits any screen size
// and needs no file beside the program.
#include <QPixmap>
#include <QRect>

class QPainter;

namespace quorvel::ui {

// The whole screen: a deep night-blue field with soft light behind the picture area
// and a frosted band behind the sign-in and previous-user block.
void PaintLoginBackground(QPainter& painter, const QRect& screen, const QRect& pictureArea,
                          const QRect& band);

// The product's emblem for the band's right end, `size` pixels square.
QPixmap LoginEmblem(int size);

}  // namespace quorvel::ui
