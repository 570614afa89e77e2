#include "picture.h"

#include "savefile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#ifdef KGW_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <algorithm>
#include <cmath>

namespace Kgw {

const QColor PictureInk(0x20, 0x20, 0x20);

namespace {

bool hasSuffix(const QString &fileName, const char *suffix)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

} // namespace

PlotFrame::PlotFrame(const QRectF &area, double xMin, double xMax, double zMax)
    : m_area(area)
    , m_xMin(xMin)
    , m_xMax(xMax)
    , m_zMax(zMax)
{ }

QPointF PlotFrame::toPicture(double x, double z) const
{
    return QPointF(m_area.left() + (x - m_xMin) / (m_xMax - m_xMin) * m_area.width(),
        m_area.top() + z / m_zMax * m_area.height());
}

QPointF PlotFrame::toGround(const QPointF &point) const
{
    return QPointF(m_xMin + (point.x() - m_area.left()) / m_area.width() * (m_xMax - m_xMin),
        (point.y() - m_area.top()) / m_area.height() * m_zMax);
}

QTransform fitInto(QSize size, const QRectF &room)
{
    if (!size.isValid() || size.isEmpty())
        return QTransform();
    const double scale = std::min(room.width() / size.width(), room.height() / size.height());
    const double dx = room.left() + (room.width() - scale * size.width()) / 2;
    const double dy = room.top() + (room.height() - scale * size.height()) / 2;
    return QTransform(scale, 0, 0, scale, dx, dy);
}

void PlotFrame::drawAxisTitles(QPainter *painter) const
{
    const QFont axisFont = pictureFont(13);
    const QFontMetricsF metrics(axisFont, painter->device());
    painter->setFont(axisFont);
    painter->setPen(PictureInk);
    const QString xTitle = QStringLiteral("x (m)");
    painter->drawText(QPointF(m_area.center().x() - metrics.horizontalAdvance(xTitle) / 2,
                          m_area.bottom() + 30 + metrics.ascent()),
        xTitle);
    const QString zTitle = QStringLiteral("depth z (m)");
    painter->save();
    painter->translate(24, m_area.center().y() + metrics.horizontalAdvance(zTitle) / 2);
    painter->rotate(-90);
    painter->drawText(QPointF(0, metrics.ascent() / 2), zTitle);
    painter->restore();
}

void PlotFrame::drawElectrodes(QPainter *painter, int count, double spacing) const
{
    const QFont numberFont = pictureFont(11);
    const QFontMetricsF metrics(numberFont, painter->device());
    painter->setFont(numberFont);
    const double top = m_area.top();
    // A cable's pegs stand apart, numbered every fifth; along a line they narrow with the room
    // each has, and the numbers step by as much as leaves a number's width between them (10, 20,
    // 50, ...). Where a peg would be narrower than a pixel, only the numbered ones are drawn.
    const double room = std::abs(toPicture(spacing, 0).x() - toPicture(0, 0).x());
    const double number = metrics.horizontalAdvance(QString::number(count)) + 4;
    int step = 5;
    for (const int wider : { 10, 20, 50, 100, 200, 500 }) {
        if (step * room >= 2 * number)
            break;
        step = wider;
    }
    const double half = std::min(4.0, 0.4 * room);
    const auto numbered = [&](int k) {
        // The last is numbered, and a multiple too close before it is not.
        return k == 1 || k == count || (k % step == 0 && (count - k) * room >= number);
    };
    for (int k = 1; k <= count; ++k) {
        if (half < 0.5 && !numbered(k))
            continue;
        const double px = toPicture((k - 1) * spacing, 0).x();
        const double width = std::max(half, 1.5);
        QPainterPath peg;
        peg.moveTo(px - width, top - 9);
        peg.lineTo(px + width, top - 9);
        peg.lineTo(px, top - 1);
        peg.closeSubpath();
        painter->setPen(Qt::NoPen);
        painter->setBrush(PictureInk);
        painter->drawPath(peg);
        if (numbered(k)) {
            const QString text = QString::number(k);
            painter->setPen(PictureInk);
            painter->drawText(QPointF(px - metrics.horizontalAdvance(text) / 2, top - 13), text);
        }
    }
    const QString label = QStringLiteral("electrode");
    painter->setPen(PictureInk);
    painter->drawText(
        QPointF(m_area.left() - 10 - metrics.horizontalAdvance(label), top - 13), label);
}

QString withoutControls(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

bool canWriteSvg()
{
#ifdef KGW_HAVE_SVG
    return true;
#else
    return false;
#endif
}

bool isSupportedPicture(const QString &fileName)
{
    return (canWriteSvg() && hasSuffix(fileName, "svg")) || hasSuffix(fileName, "png");
}

double niceStep(double range, int count)
{
    const double raw = range / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    if (normal < 1.5)
        return magnitude;
    if (normal < 3)
        return 2 * magnitude;
    if (normal < 7)
        return 5 * magnitude;
    return 10 * magnitude;
}

QString tickLabel(double value, double step)
{
    const int decimals = std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
    if (std::abs(value) < step * 1e-6)
        value = 0; // no "-0"
    if (decimals <= 6 && std::abs(value) < 1e7)
        return QString::number(value, 'f', decimals);
    // Far from 1, decimals would run to hundreds of digits: as many significant ones as tell the
    // steps apart.
    const double largest = std::max(std::abs(value), step);
    const int digits = int(std::floor(std::log10(largest) + 1e-9))
        - int(std::floor(std::log10(step) + 1e-9)) + 1;
    return QString::number(value, 'g', std::max(1, digits));
}

QFont pictureFont(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

WriteResult writePicture(const QString &fileName, QSize size, const QString &title,
    const QString &description, const std::function<void(QPainter *)> &draw)
{
    const QString failed = QStringLiteral("Failed to write the plot");
    WriteResult result;
    result.status = WriteResult::Refused;
    if (!isSupportedPicture(fileName)) {
        result.errorString = canWriteSvg() ? QStringLiteral("the plot must be named .svg or .png")
                                           : QStringLiteral("the plot must be named .png");
        return result.describe(failed, failed);
    }
    // Laying out text without one crashes inside Qt.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        result.errorString = QStringLiteral("drawing a plot needs a QGuiApplication");
        return result.describe(failed, failed);
    }

    QByteArray picture;
    QBuffer buffer(&picture);
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false;
    if (hasSuffix(fileName, "svg")) {
#ifdef KGW_HAVE_SVG
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(96);
        // The generator writes the title element as it is given, so a file name like
        // "a&b.txt" would break the XML.
        svg.setTitle(title.toHtmlEscaped());
        svg.setDescription(description);
        QPainter painter;
        if (painter.begin(&svg)) {
            draw(&painter);
            drawn = painter.end();
        }
#endif
    } else {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter;
        if (painter.begin(&image)) {
            draw(&painter);
            drawn = painter.end() && image.save(&buffer, "PNG");
        }
    }
    if (!drawn) {
        result.errorString = QStringLiteral("the picture could not be drawn");
        return result.describe(failed, failed);
    }
    return saveFile(fileName, FileContent::of({ picture })).describe(failed, failed);
}

} // namespace Kgw
