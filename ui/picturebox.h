#pragma once

#include <QImage>
#include <QWidget>

// A picture control: it owns the image the model draws into and shows it as it stands.
// The image follows the control's size: when the control is resized the image takes the new
// size, keeping what it showed in its top-left corner until the next drawing.
//
// The image has the screen's device pixel ratio: its logical size is the control's size, its
// pixels the screen's own, so a drawing laid out in logical pixels comes out at full resolution.
// When the window meets another ratio (moved to another screen, the desktop's scale changed) the
// image takes it and RatioChanged asks the owner to draw again.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The drawing surface, sized like the control at the screen's ratio. Call update() after
    // drawing into it.
    QImage& Picture();
    const QImage& Shown() const { return picture_; }

signals:
    // Mouse events, in the control's coordinates.
    void MouseDown(Qt::MouseButton button, QPoint pos);
    void MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void MouseUp(Qt::MouseButton button, QPoint pos);
    // The image has just taken a new device pixel ratio: what it shows is the old drawing scaled.
    void RatioChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // True when the image had to change (size or ratio).
    bool FollowSize();
    void FollowRatio();

    QImage picture_;
};
