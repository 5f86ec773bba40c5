#include "ui/picturebox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QImage& PictureBox::Picture()
{
    FollowSize();
    return picture_;
}

void PictureBox::FollowSize()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (picture_.size() == wanted)
        return;
    // What was shown stays in the top-left corner until the next drawing.
    QImage resized(wanted, QImage::Format_RGB32);
    resized.fill(Qt::black);
    if (!picture_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, picture_);
    }
    picture_ = std::move(resized);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    // Parts the image does not cover yet (a control just grown) show black, like a blank picture.
    if (picture_.width() < width())
        painter.fillRect(picture_.width(), 0, width() - picture_.width(), height(), Qt::black);
    if (picture_.height() < height())
        painter.fillRect(0, picture_.height(), width(), height() - picture_.height(), Qt::black);
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FollowSize();
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event->button(), event->position().toPoint());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove(event->buttons(), event->position().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event->button(), event->position().toPoint());
}
