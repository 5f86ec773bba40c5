#include "ui/dialogkit.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QStyle>
#include <map>
#include <utility>

namespace dialogkit {

namespace {
constexpr int DialogFontPoints = 8;  // points
constexpr int ButtonIconSide = 12;   // pixels: small enough for the 55-pixel "OK" button

// The buttons' standard icons, looked up once per style: under X11 every look-up searches the
// desktop's icon theme, which took tens of milliseconds over the dialogs built at start-up.
using IconKey = std::pair<const QStyle*, QStyle::StandardPixmap>;
std::map<IconKey, QIcon>& CachedIcons()
{
    static std::map<IconKey, QIcon> icons;
    return icons;
}

// Icons hold theme engines and pixmaps: let them go with the application, not after it.
void ForgetIcons()
{
    CachedIcons().clear();
}

QIcon StandardIcon(QStyle::StandardPixmap pixmap)
{
    const QStyle* style = QApplication::style();
    std::map<IconKey, QIcon>& icons = CachedIcons();
    if (icons.empty())
        qAddPostRoutine(ForgetIcons);
    const IconKey key{style, pixmap};
    auto found = icons.find(key);
    if (found == icons.end())
        found = icons.emplace(key, style->standardIcon(pixmap)).first;
    return found->second;
}
}  // namespace

QPushButton* MakeBitBtn(QWidget* parent, const QString& name, const QString& caption, ButtonKind kind,
                        QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    const QStyle::StandardPixmap pixmap = kind == ButtonKind::Ok       ? QStyle::SP_DialogOkButton
                                          : kind == ButtonKind::Cancel ? QStyle::SP_DialogCancelButton
                                                                       : QStyle::SP_BrowserStop;
    button->setIcon(StandardIcon(pixmap));
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
