#include "ui/Sonvelia6.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>

#include "ui/help.h"

const QString TAboutBox::ReleaseDate = QStringLiteral("décembre 2026");
const QString TAboutBox::MakerName = QStringLiteral("L'équipe sonvelia");
const QString TAboutBox::WebSiteText = QStringLiteral("sonvelia.example.org");

namespace {

const QColor LinkColour(0, 0, 255);  // blue

// The program's icon, 32 x 32: a few periods of a sine over a dark square.
QPixmap ProgramPixmap()
{
    const int size = 32;  // px
    QPixmap pixmap(size, size);
    pixmap.fill(QColor(0, 0, 64));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 255, 0), 2));
    QPainterPath path;
    for (int x = 2; x <= size - 2; ++x) {
        const double y = size / 2.0 - 10.0 * std::sin((x - 2) * 3.14159265 / 7.0);
        if (x == 2)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    painter.drawPath(path);
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
}

void TAboutBox::createUi()
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
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
