#include "ui/windowhints.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QWidget>
#include <QWindow>

namespace windowhints {

namespace {

// The X11 window type that Qt's X11 platform reads from this property of the window (the way its
// own X11 window-type attributes reach it): a tool bar. Window managers that ignore the Motif
// hints for minimise and maximise (openbox among them) give a tool bar only its close button.
constexpr char X11WindowTypeProperty[] = "_q_xcb_wm_window_type";
constexpr int X11ToolBarType = 0x000008;

// What the window manager's title bar needs beside the caption: the window-menu and close
// buttons and the paddings around them, pixels (openbox's default theme takes about 50).
constexpr int TitleBarButtonsAllowance = 64;  // px

void AskFor(QWidget* window, Qt::WindowFlags buttons)
{
    const Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | buttons;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // The platform reads the window type when the window's flags are applied, so the native
        // window is made first, the type given, and the final flags applied after it.
        window->setWindowFlags(Qt::Tool);
        window->winId();
        if (QWindow* handle = window->windowHandle())
            handle->setProperty(X11WindowTypeProperty, X11ToolBarType);
    }
    window->setWindowFlags(flags);
}

}  // namespace

void CloseButtonOnly(QWidget* window)
{
    AskFor(window, Qt::WindowCloseButtonHint);
}

void NoSystemButtons(QWidget* window)
{
    AskFor(window, {});
}

void CentreOnScreen(QWidget* window)
{
    // A dialog opens over the screen of the window it belongs to.
    const QWidget* owner = window->parentWidget() != nullptr ? window->parentWidget()->window() : window;
    const QScreen* screen = owner->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void ForMessageBox(QMessageBox& box)
{
    CloseButtonOnly(&box);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int needed =
        QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TitleBarButtonsAllowance;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr || box.sizeHint().width() >= needed)
        return;
    // The box sizes itself from its layout when shown: a spacer across the bottom row widens it.
    grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0,
                  1, grid->columnCount());
}

}  // namespace windowhints
