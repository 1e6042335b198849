#pragma once

#include <QFont>

namespace ch {

// Window designs are measured in twips; the screen has 15 twips to a pixel. A design drawn for
// the classic 8-point dialog font is scaled with a wider font (scale above 1), so that its texts
// keep their room.
constexpr int TwipsToPixels(int twips, double scale = 1.0) {
    return static_cast<int>(twips * scale / 15);
}

double DesignScale(const QFont& font);

}  // namespace ch
