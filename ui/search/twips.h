#pragma once

namespace ch {

// Window designs are measured in twips; the screen has 15 twips to a pixel.
constexpr int TwipsToPixels(int twips) {
    return twips / 15;
}

}  // namespace ch
