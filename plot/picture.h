#ifndef KGW_PICTURE_H
#define KGW_PICTURE_H

#include "savefile.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <functional>

class QPainter;

namespace Kgw {

// Where the ground under the cable, x along it and z downwards in metres, lands in a picture:
// x from xMin to xMax across the area, z from 0 at its top to zMax at its bottom.
class PlotFrame
{
public:
    PlotFrame() = default;
    PlotFrame(const QRectF &area, double xMin, double xMax, double zMax);

    QRectF area() const { return m_area; }
    QPointF toPicture(double x, double z) const;
    // The ground under a point of the picture: x and z in metres, as toPicture() placed them.
    QPointF toGround(const QPointF &point) const;

    // "x (m)" below the area and "depth z (m)" up its left side.
    void drawAxisTitles(QPainter *painter) const;
    // Electrodes 1 to count as pegs along the top edge, numbered every fifth and at the ends.
    void drawElectrodes(QPainter *painter, int count, double spacing) const;

private:
    QRectF m_area;
    double m_xMin = 0;
    double m_xMax = 1;
    double m_zMax = 1;
};

// How a picture of `size` pixels is drawn as large as it fits into `room`, centred in it: the
// transform from the picture's pixels to the room's. Its inverse takes a pointer in the room back
// to the picture, where PlotFrame::toGround() gives the metres under it.
QTransform fitInto(QSize size, const QRectF &room);

// The colour of lines and text in every picture.
extern const QColor PictureInk;

// Text fit for a picture: control characters would show as boxes, and XML refuses most of them.
QString withoutControls(QString text);

// Whether this build has Qt SVG to draw .svg pictures with.
bool canWriteSvg();

// Whether the name ends in .png, or .svg where it can be written, in any case.
bool isSupportedPicture(const QString &fileName);

// A step of 1, 2 or 5 times a power of ten that cuts range into about count pieces, and a
// tick's label with as many decimals as the step needs (significant digits, far from 1).
double niceStep(double range, int count);
QString tickLabel(double value, double step);

// The pictures' one typeface, so that they look alike on every machine that has it.
QFont pictureFont(int pixelSize, bool bold = false);

// Renders a picture of the given size to a PNG or SVG file by its extension. It is drawn in
// memory first, so an existing file is replaced only by a complete new one and nothing is
// written when the extension is wrong or drawing fails. Every failure is "Failed to write the
// plot". Text needs a QGuiApplication; without a
// display, create it with the "offscreen" platform.
WriteResult writePicture(const QString &fileName, QSize size, const QString &title,
    const QString &description, const std::function<void(QPainter *)> &draw);

} // namespace Kgw

#endif
