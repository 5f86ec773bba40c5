#pragma once

#include <QImage>
#include <QWidget>

// A picture control: it owns the image the model draws into and shows it as it stands.
// The image follows the control's size: when the control is resized the image takes the new
// size, keeping what it showed in its top-left corner until the next drawing.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The drawing surface, sized like the control. Call update() after drawing into it.
    QImage& Picture();
    const QImage& Shown() const { return picture_; }

signals:
    // Mouse events, in the control's coordinates.
    void MouseDown(Qt::MouseButton button, QPoint pos);
    void MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void MouseUp(Qt::MouseButton button, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FollowSize();

    QImage picture_;
};
