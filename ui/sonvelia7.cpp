#include "ui/sonvelia7.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/numfmt.h"
#include "model/tmodele.h"
#include "ui/accessibility.h"
#include "ui/windowhints.h"

namespace {

const QChar Tab = QLatin1Char('\t');

// Nearest integer, halves to the even neighbour (the default rounding mode).
long long RoundEven(long double value)
{
    return std::llrint(value);
}

// Two sheets of paper, one over the other.
QIcon CopyIcon()
{
    QPixmap pixmap(16, 16);  // px
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(QColor(255, 255, 255));
    painter.drawRect(1, 1, 9, 10);
    painter.drawRect(5, 4, 9, 10);
    painter.setPen(QColor(0, 0, 128));
    for (int y = 7; y <= 11; y += 2)
        painter.drawLine(7, y, 12, y);
    return QIcon(pixmap);
}

}  // namespace

QStringList SpectralReportLines(const tmodele& model, double t)
{
    const long double d = model.Duration;  // tenths of a second
    const long double tl = t;
    QStringList lines;
    lines << QStringLiteral("Fréquence de base : ") + numfmt::Fixed(model.Fundamental, 15, 1) +
                 QStringLiteral(" Hz");
    lines << QString();
    lines << QStringLiteral("à la date ") + numfmt::Scientific(t, 2, 1) + QStringLiteral(" s : ");
    lines << QString();
    // A duration of 0 cannot be rendered or shown; it is reported as if the sound were 1 tenth
    // long rather than dividing by zero.
    const long double dd = d > 0 ? d : 1.0L;
    const long double factor = ((model.Glide * 10.0L * tl) / dd + 1.0L) * model.Fundamental;
    lines << QStringLiteral("Fréquence : ") + numfmt::Fixed(factor, 15, 1) + QStringLiteral(" Hz");
    lines << QString();
    lines << QStringLiteral("Harmoniques : ");
    lines << QStringLiteral("rang") + Tab + QStringLiteral("ampl.") + Tab + QStringLiteral("phase°") + Tab +
                 QStringLiteral("Etat");

    for (const tharmonique& h : model.Harmonics) {
        const long double degrees = h.Phase * 180.0L / std::numbers::pi_v<long double>;
        lines << numfmt::General(h.Rank, 15) + Tab + numfmt::General(ReportedAmplitude(model, h, t), 15) +
                     Tab + numfmt::General(RoundEven(degrees), 15) + Tab +
                     (h.Active != 0 ? QStringLiteral("Actif") : QStringLiteral("Inactif"));
    }
    return lines;
}

long long ReportedAmplitude(const tmodele& model, const tharmonique& h, double t)
{
    const long double tl = t;
    // As in the report's header: a duration of 0 is taken as 1 tenth rather than divided by.
    const long double dd = model.Duration > 0 ? static_cast<long double>(model.Duration) : 1.0L;
    // The envelope segment holding t; a click left of the window's start (t slightly below 0)
    // or an instant at the very end would otherwise read outside the 46 points.
    const long double position = std::trunc(tl * 450.0L / dd);
    const int j = int(std::clamp(position, 0.0L, 44.0L));
    const long double e0 = h.Envelope[j];
    const long double e1 = h.Envelope[j + 1];
    const long double envelope = ((tl * 10.0L - dd * j / 45.0L) * (e1 - e0)) / (dd / 45.0L) + e0;
    return RoundEven(envelope * h.Amplitude);
}

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm7::createUi()
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Caractéristiques spectrales :"));
    windowhints::CloseButtonOnly(this);
    resize(300, 320);  // px, design size

    papier = new QTextEdit(this);
    papier->setObjectName(QStringLiteral("papier"));
    papier->setReadOnly(true);
    papier->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    papier->setMinimumHeight(257);   // px
    papier->setTabStopDistance(56);  // px, wide enough for "phase°"

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    Copbtn = new QToolButton(this);
    Copbtn->setObjectName(QStringLiteral("Copbtn"));
    Copbtn->setText(QStringLiteral("Copier"));
    Copbtn->setIcon(CopyIcon());
    Copbtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Copbtn->setAutoRaise(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addSpacing(24);
    buttons->addWidget(Copbtn);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->addWidget(papier, 1);
    column->addLayout(buttons);
}

void TForm7::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Copbtn, &QToolButton::clicked, this, &TForm7::CopbtnClick);
}

void TForm7::SetSubject(const tmodele* model, double cursorTime)
{
    model_ = model;
    cursorTime_ = cursorTime;
}

void TForm7::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm7::FormShow()
{
    papier->clear();
    if (!model_)
        return;
    // Line by line as plain text: the tabs stay tabs and nothing is read as markup.
    QTextCursor cursor(papier->document());
    bool first = true;
    for (const QString& line : SpectralReportLines(*model_, cursorTime_)) {
        if (!first)
            cursor.insertBlock();
        cursor.insertText(line);
        first = false;
    }
}

void TForm7::CopbtnClick()
{
    papier->selectAll();
    papier->copy();
}
