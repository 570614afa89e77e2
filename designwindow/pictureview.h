#ifndef PICTUREVIEW_H
#define PICTUREVIEW_H

#include "picture.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

// Shows one of the pictures kgw draws, scaled to fill the view, so that the window and the saved
// file look alike. Over a section the crew can drag a rectangle to mark a region of the ground.
class PictureView : public QWidget
{
    Q_OBJECT

public:
    explicit PictureView(QWidget *parent = nullptr);

    // The picture and, for a section, where its ground lies, which makes it draggable.
    void setPicture(QSize size, const std::function<void(QPainter *)> &draw,
        const std::optional<Kgw::PlotFrame> &frame = std::nullopt);
    // Shown instead of a picture; an empty text shows the picture again.
    void setMessage(const QString &text);
    // A band across the top saying the picture is not that of the settings as they are.
    void setStaleText(const QString &text);
    bool hasPicture() const { return bool(m_draw); }
    QString message() const { return m_message; }
    QString staleText() const { return m_stale; }

    QSize sizeHint() const override;

signals:
    // x0..x1 along the cable and z0..z1 deep, in metres.
    void regionDrawn(const QRectF &metres);
    void painted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // How the picture is scaled into the widget.
    QTransform placement() const;
    // The band's, when one is shown.
    int bandHeight() const;

    QSize m_size;
    std::function<void(QPainter *)> m_draw;
    std::optional<Kgw::PlotFrame> m_frame;
    QString m_message;
    QString m_stale;
    std::optional<QPoint> m_dragStart;
    QPoint m_dragEnd;
};

#endif
