#include "ui/twips.h"

#include <QWidget>
#include <cmath>

namespace qvestra::ui {

int TwipScale::ToPixels(float twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

void TwipsLayout::Place(QWidget* widget, TwipRect rect) {
    rects_.insert(widget, rect);
    // A negative size would be meaningless to the widget; it shows as empty.
    widget->setGeometry(scale_.ToPixels(rect.left), scale_.ToPixels(rect.top),
                        std::max(0, scale_.ToPixels(rect.width)),
                        std::max(0, scale_.ToPixels(rect.height)));
}

void TwipsLayout::Set(QWidget* widget, float TwipRect::*field, float twips) {
    auto r = Of(widget);
    r.*field = twips;
    Place(widget, r);
}

}  // namespace qvestra::ui
