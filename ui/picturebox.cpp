#include "ui/picturebox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "model/drawing.h"

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

bool PictureBox::FollowSize()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    const qreal ratio = devicePixelRatioF();
    if (!picture_.isNull() && drawing::LogicalSize(picture_) == wanted &&
        picture_.devicePixelRatio() == ratio)
        return false;
    // What was shown stays in the top-left corner until the next drawing.
    QImage resized = drawing::MakePicture(wanted, ratio);
    resized.fill(Qt::black);
    if (!picture_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, picture_);
    }
    picture_ = std::move(resized);
    return true;
}

void PictureBox::FollowRatio()
{
    if (picture_.isNull() || picture_.devicePixelRatio() == devicePixelRatioF())
        return;
    FollowSize();
    emit RatioChanged();
    update();
}

bool PictureBox::event(QEvent* event)
{
    // A window moved to another screen tells its widgets so; the ratio may have changed with it.
    if (event->type() == QEvent::ScreenChangeInternal)
        FollowRatio();
    return QWidget::event(event);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    // A ratio changed without a screen change (the desktop's scale) is met here first: the old
    // drawing is shown scaled once, and the owner draws again right after this paint.
    if (!picture_.isNull() && picture_.devicePixelRatio() != devicePixelRatioF())
        QTimer::singleShot(0, this, &PictureBox::FollowRatio);
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    // Parts the image does not cover yet (a control just grown) show black, like a blank picture.
    const QSize shown = drawing::LogicalSize(picture_);
    if (shown.width() < width())
        painter.fillRect(shown.width(), 0, width() - shown.width(), height(), Qt::black);
    if (shown.height() < height())
        painter.fillRect(0, shown.height(), width(), height() - shown.height(), Qt::black);
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
