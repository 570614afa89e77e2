#include "pictureview.h"

#include <QMouseEvent>
#include <QPainter>

PictureView::PictureView(QWidget *parent)
    : QWidget(parent)
{
    // It paints every pixel itself, so nothing under it need be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 160);
}

void PictureView::setPicture(QSize size, const std::function<void(QPainter *)> &draw,
    const std::optional<Kgw::PlotFrame> &frame)
{
    m_size = size;
    m_draw = draw;
    m_frame = frame;
    m_message.clear();
    setCursor(frame ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

void PictureView::setMessage(const QString &text)
{
    m_message = text;
    update();
}

void PictureView::setStaleText(const QString &text)
{
    if (m_stale == text)
        return;
    m_stale = text;
    update();
}

QSize PictureView::sizeHint() const
{
    return m_size.isValid() ? m_size / 2 : QSize(600, 400);
}

int PictureView::bandHeight() const
{
    return m_stale.isEmpty() ? 0 : fontMetrics().height() + 12;
}

QTransform PictureView::placement() const
{
    // The whole picture, as large as the view takes it, below the band where one is shown; it
    // is drawn, not a bitmap scaled, so that it stays sharp at any size.
    return Kgw::fitInto(m_size, QRectF(rect()).adjusted(0, bandHeight(), 0, 0));
}

void PictureView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    if (m_draw && m_message.isEmpty()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(placement());
        // The pictures are drawn as kgw writes them, ink on white paper, whatever the theme.
        painter.fillRect(QRect(QPoint(), m_size), Qt::white);
        m_draw(&painter);
        painter.restore();
    } else {
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(rect().adjusted(20, 20 + bandHeight(), -20, -20),
            Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }
    if (m_dragStart) {
        QColor fill = colours.color(QPalette::Highlight);
        painter.setPen(QPen(fill, 1, Qt::DashLine));
        fill.setAlpha(40);
        painter.setBrush(fill);
        painter.drawRect(QRect(*m_dragStart, m_dragEnd).normalized());
    }
    if (!m_stale.isEmpty()) {
        // The palette's colours for a note, as a tool tip has them.
        const QRect band(0, 0, width(), bandHeight());
        painter.fillRect(band, colours.color(QPalette::ToolTipBase));
        painter.setPen(colours.color(QPalette::ToolTipText));
        painter.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, m_stale);
    }
    emit painted();
}

void PictureView::mousePressEvent(QMouseEvent *event)
{
    if (!m_frame || !m_draw || !m_message.isEmpty() || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragStart = event->pos();
    m_dragEnd = event->pos();
}

void PictureView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragStart)
        return;
    m_dragEnd = event->pos();
    update();
}

void PictureView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragStart)
        return;
    const QRect dragged = QRect(*m_dragStart, event->pos()).normalized();
    m_dragStart.reset();
    update();
    // A click is not a region.
    if (dragged.width() < 4 || dragged.height() < 4)
        return;
    const QTransform toPicture = placement().inverted();
    const QPointF first = m_frame->toGround(toPicture.map(QPointF(dragged.topLeft())));
    const QPointF second = m_frame->toGround(toPicture.map(QPointF(dragged.bottomRight())));
    QRectF metres = QRectF(first, second).normalized();
    // The ground starts at the surface; a drag that began above it means from the top.
    metres.setTop(std::max(0.0, metres.top()));
    if (metres.height() > 0 && metres.width() > 0)
        emit regionDrawn(metres);
}
