#include "ui/Sonvelia6.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>

#include "ui/accessibility.h"
#include "ui/help.h"
#include "ui/windowhints.h"

const QString TAboutBox::ReleaseDate = QStringLiteral("décembre 2026");
const QString TAboutBox::MakerName = QStringLiteral("L'équipe sonvelia");
const QString TAboutBox::WebSiteText = QStringLiteral("sonvelia.example.org");

namespace {

const QColor LinkColour(0, 0, 255);  // blue

// The program's icon, 32 x 32: the application's own when one is set, else the same picture
// drawn here (a sine over a falling spectrum on a dark tile).
QPixmap ProgramPixmap()
{
    const int size = 32;  // px
    const QIcon appIcon = QGuiApplication::windowIcon();
    if (!appIcon.isNull())
        return appIcon.pixmap(size, size);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(QColor(16, 16, 16));
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 5, 5);
    // Sine: one and a half periods across the upper third.
    painter.setPen(QPen(QColor(255, 230, 0), 1.6));
    QPainterPath path;
    for (int x = 4; x <= size - 4; ++x) {
        const double y = 9.0 - 4.0 * std::sin((x - 4) * 3.0 * 3.14159265 / (size - 8));
        if (x == 4)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    painter.drawPath(path);
    // Spectrum: seven bars falling from left to right.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(85, 255, 85));
    const int heights[] = {13, 10, 8, 6, 4, 3, 2};  // px
    for (int k = 0; k < 7; ++k)
        painter.drawRect(QRectF(4 + k * 3.5, size - 4 - heights[k], 2.5, heights[k]));
    return pixmap;
}

QLabel* TextLabel(const QString& text, QWidget* parent, const QString& name, int top, int left = 8)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(left, top, 129 - left - 4, 16);
    return label;
}

void MakeLink(QLabel* label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LinkColour);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TAboutBox::createUi()
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    windowhints::CloseButtonOnly(this);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(7, 7, 129, 129);  // px

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(ProgramPixmap());
    ProgramIcon->setGeometry(8, 8, 32, 32);

    ProductName = TextLabel(QStringLiteral("sonvelia"), Panel1, QStringLiteral("ProductName"), 8, 48);
    QFont bold = ProductName->font();
    bold.setBold(true);
    ProductName->setFont(bold);
    Label1 = TextLabel(QStringLiteral("v5.1"), Panel1, QStringLiteral("Label1"), 24, 48);
    ReleaseLabel = TextLabel(ReleaseDate, Panel1, QStringLiteral("Label6"), 44);
    Label2 = TextLabel(MakerName, Panel1, QStringLiteral("Label2"), 60);
    Label4 = TextLabel(QStringLiteral("@contact"), Panel1, QStringLiteral("Label4"), 76);
    MakeLink(Label4);
    Label5 = TextLabel(QStringLiteral("Aide et mises à jour"), Panel1, QStringLiteral("Label5"), 92);
    Label3 = TextLabel(WebSiteText, Panel1, QStringLiteral("Label3"), 108);
    MakeLink(Label3);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry((ClientWidth - 75) / 2, 142, 75, 25);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // On the screen's centre, not over the main window where a dialog would open by itself.
    windowhints::CentreOnScreen(this);
    QDialog::showEvent(event);
}

void TAboutBox::connectUi()
{
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    Label3->installEventFilter(this);
    Label4->installEventFilter(this);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label3) {
            Label3Click();
            return true;
        }
        if (watched == Label4) {
            Label4Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The links' results are not checked: a link the desktop cannot open simply does nothing.
void TAboutBox::Label3Click()
{
    help::Open(help::WebSite);
}

void TAboutBox::Label4Click()
{
    help::Open(help::ContactMail);
}
