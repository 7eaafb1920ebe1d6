#pragma once

#include <QHash>

class QWidget;

namespace qvestra::ui {

// Window layouts are stated in twips (1/1440 inch); only this file turns
// them into pixels.
struct TwipRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool operator==(const TwipRect&) const = default;
};

class TwipScale {
  public:
    // 15 twips per pixel at 96 dpi; a screen with more dots per inch gets fewer.
    static TwipScale ForLogicalDpi(double dpi) {
        return TwipScale(1440.0 / (dpi > 0 ? dpi : 96.0));
    }

    explicit TwipScale(double twipsPerPixel) : twipsPerPixel_(twipsPerPixel) {}

    int ToPixels(float twips) const;
    float ToTwips(int pixels) const { return static_cast<float>(pixels * twipsPerPixel_); }

  private:
    double twipsPerPixel_;
};

// Remembers each control's geometry in twips and applies it in pixels, so
// the window logic reads back exactly the twips it set.
class TwipsLayout {
  public:
    explicit TwipsLayout(TwipScale scale) : scale_(scale) {}

    void Place(QWidget* widget, TwipRect rect);
    TwipRect Of(const QWidget* widget) const { return rects_.value(widget); }
    void SetLeft(QWidget* widget, float twips) { Set(widget, &TwipRect::left, twips); }
    void SetTop(QWidget* widget, float twips) { Set(widget, &TwipRect::top, twips); }
    void SetWidth(QWidget* widget, float twips) { Set(widget, &TwipRect::width, twips); }
    void SetHeight(QWidget* widget, float twips) { Set(widget, &TwipRect::height, twips); }

    const TwipScale& Scale() const { return scale_; }

  private:
    void Set(QWidget* widget, float TwipRect::*field, float twips);

    TwipScale scale_;
    QHash<const QWidget*, TwipRect> rects_;
};

}  // namespace qvestra::ui
