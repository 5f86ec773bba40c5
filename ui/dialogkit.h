#pragma once

#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

// Pieces shared by the model dialogs.
namespace dialogkit {

// Result of a dialog closed by an "Abandon" button, beside QDialog::Accepted and Rejected.
inline constexpr int Abort = 3;

// The dialogs' sizes are given as outer window sizes of a frame 5 pixels wider and 25 pixels
// taller than the client area (pixels); the window manager adds its own frame around the client.
inline constexpr QSize FrameAllowance{5, 25};

inline QSize ClientForWindow(QSize window)
{
    return window - FrameAllowance;
}

// The standard picture a button carries beside its caption.
enum class ButtonKind { Ok, Cancel, Abort };

// A push button with a standard picture, at an absolute place in its parent.
QPushButton* MakeBitBtn(QWidget* parent, const QString& name, const QString& caption, ButtonKind kind,
                        QRect geometry);

// The font of every dialog: 8 points, in a face of Arial's widths when one is installed.
QFont DialogFont();

}  // namespace dialogkit
