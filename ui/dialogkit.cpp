#include "ui/dialogkit.h"

#include <QApplication>
#include <QFont>
#include <QStyle>

namespace dialogkit {

namespace {
constexpr int DialogFontPoints = 8;  // points
constexpr int ButtonIconSide = 12;   // pixels: small enough for the 55-pixel "OK" button
}  // namespace

QPushButton* MakeBitBtn(QWidget* parent, const QString& name, const QString& caption, ButtonKind kind,
                        QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    const QStyle::StandardPixmap pixmap = kind == ButtonKind::Ok       ? QStyle::SP_DialogOkButton
                                          : kind == ButtonKind::Cancel ? QStyle::SP_DialogCancelButton
                                                                       : QStyle::SP_BrowserStop;
    button->setIcon(QApplication::style()->standardIcon(pixmap));
    button->setIconSize(QSize(ButtonIconSide, ButtonIconSide));
    button->setGeometry(geometry);
    return button;
}

QFont DialogFont()
{
    // The dialogs were laid out for a face of Arial's widths; the desktop's default face is
    // wider and would clip the captions of the narrow buttons.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QApplication::font().family()});
    font.setPointSize(DialogFontPoints);
    return font;
}

}  // namespace dialogkit
