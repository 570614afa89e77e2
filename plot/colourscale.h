#ifndef KGW_COLOURSCALE_H
#define KGW_COLOURSCALE_H

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace Kgw {

// The colours values take in a picture, and the bar that tells them, alike in every section and
// pseudosection: viridis from low to high, on a logarithmic or a linear scale.
class ColourScale
{
public:
    enum Kind {
        Logarithmic, // four decades below the largest value unless a range is set; anything less
                     // at the bottom
        Unit // 0 to 1 unless a range is set
    };

    explicit ColourScale(Kind kind)
        : m_kind(kind)
    { }

    // Why the bar cannot span low to high on this scale; empty when it can.
    static QString rangeError(Kind kind, double low, double high);

    Kind kind() const { return m_kind; }
    // On the logarithmic scale, four decades below the largest value.
    void fitLargest(double largest);
    // Spans low to high, so that pictures compare; values beyond take the colour of its end.
    // Ignored when rangeError() refuses the range.
    void setRange(double low, double high);
    // From the lowest to the highest value shown, on the logarithmic scale; values too close to
    // tell apart sit in the middle of a decade around them.
    void spanValues(double lowest, double highest);

    QColor colourOf(double value) const;

    // The bar in `bar`, its ticks and labels right of it, and `quantity` turned up the side,
    // centred at x = quantityX.
    void draw(
        QPainter *painter, const QRectF &bar, double quantityX, const QString &quantity) const;

private:
    Kind m_kind;
    // On the logarithmic scale m_high is 0 when no value is positive.
    double m_low = 0;
    double m_high = 1;
    double m_decades = 4;
    bool m_fixedRange = false;
};

} // namespace Kgw

#endif
