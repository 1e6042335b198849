#include "ui/search/twips.h"

#include <QFontMetricsF>
#include <algorithm>

namespace ch {

double DesignScale(const QFont& font) {
    // The classic dialog font averages 6 pixels over the letters of the alphabet.
    constexpr double kClassicLetterWidth = 6.0;
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double average = QFontMetricsF(font).horizontalAdvance(letters) / letters.size();
    return std::max(1.0, average / kClassicLetterWidth);
}

}  // namespace ch
