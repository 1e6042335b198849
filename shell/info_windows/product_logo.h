#pragma once

#include <QPixmap>

namespace ch {

// The product's mark, drawn at any size: a film frame with a play sign on a red-orange tile.
QPixmap ProductLogo(int size);

}  // namespace ch
