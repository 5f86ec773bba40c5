#include "ui/sonvelia8.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "model/numfmt.h"
#include "ui/accessibility.h"
#include "ui/windowhints.h"

namespace {

const QColor Cursor1Colour(255, 0, 255);  // magenta
const QColor Cursor2Colour(0, 0, 255);    // blue

QLabel* BoldLabel(const QString& text, QWidget* parent, const QString& name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// Each cursor's caption in the cursor's own colour.
void SetTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLineEdit* ValueEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

// A widget placed in a tool bar is shown and hidden through its action there: hiding the widget
// itself lasts only until the bar lays itself out again.
void SetShown(QWidget* widget, bool shown)
{
    if (!widget)
        return;
    if (auto* bar = qobject_cast<QToolBar*>(widget->parentWidget())) {
        for (QAction* action : bar->actions()) {
            if (bar->widgetForAction(action) == widget) {
                action->setVisible(shown);
                return;
            }
        }
    }
    widget->setVisible(shown);
}

}  // namespace

TUpDownH::TUpDownH(QWidget* parent)
    : QWidget(parent), Left(new QToolButton(this)), Right(new QToolButton(this))
{
    Left->setObjectName(QStringLiteral("gauche"));
    Right->setObjectName(QStringLiteral("droite"));
    Left->setArrowType(Qt::LeftArrow);
    Right->setArrowType(Qt::RightArrow);
    Left->setAutoRepeat(true);
    Right->setAutoRepeat(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(Left);
    row->addWidget(Right);
    connect(Left, &QToolButton::clicked, this, [this] { Step(-1); });
    connect(Right, &QToolButton::clicked, this, [this] { Step(+1); });
}

void TUpDownH::Step(int delta)
{
    const int next = std::clamp(Position + delta, Min, Max);
    if (next == Position)
        return;
    Position = next;
    if (OnClick)
        OnClick();
}

// Chosen for a zero distance: the inverse is unbounded, so the edit says so in words rather
// than showing a number.
const QString TForm8::ZeroDistanceText = QStringLiteral("infini");

TForm8::TForm8(const MeasureTarget& target, QWidget* parent) : QDialog(parent), target_(target)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

TForm8::~TForm8()
{
    // Destroyed without having been closed (its owner went away): leave the main window whole.
    FormClose();
}

void TForm8::createUi()
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Mesures"));
    // A tool window without system buttons: only the close button below ends it.
    windowhints::NoSystemButtons(this);
    setFixedSize(ClientWidth, ClientHeight);
    move(ScreenLeft, ScreenTop);

    const int rowH = 21;                 // px, height of an edit and a spinner
    const int editX = 34;                // px
    const int editW = 72;                // px
    const int arrowsX = 108;             // px
    const int arrowsW = 34;              // px
    const int fullW = ClientWidth - 16;  // px, edits of the distance and its inverse

    Label5 = BoldLabel(QStringLiteral("Curseur 1"), this, QStringLiteral("Label5"));
    SetTextColour(Label5, Cursor1Colour);
    Label5->setGeometry(8, 4, fullW, 16);
    Label1 = BoldLabel(QStringLiteral("t1="), this, QStringLiteral("Label1"));
    Label1->setGeometry(8, 22, editX - 8, rowH);
    Edit_t1 = ValueEdit(this, QStringLiteral("Edit_t1"));
    Edit_t1->setGeometry(editX, 22, editW, rowH);
    UpDown1 = new TUpDownH(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(arrowsX, 22, arrowsW, rowH);

    Label6 = BoldLabel(QStringLiteral("Curseur 2"), this, QStringLiteral("Label6"));
    SetTextColour(Label6, Cursor2Colour);
    Label6->setGeometry(8, 50, fullW, 16);
    Label2 = BoldLabel(QStringLiteral("t2="), this, QStringLiteral("Label2"));
    Label2->setGeometry(8, 68, editX - 8, rowH);
    Edit_t2 = ValueEdit(this, QStringLiteral("Edit_t2"));
    Edit_t2->setGeometry(editX, 68, editW, rowH);
    UpDown2 = new TUpDownH(this);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->setGeometry(arrowsX, 68, arrowsW, rowH);

    Label3 = BoldLabel(QStringLiteral("| t1- t2 | ="), this, QStringLiteral("Label3"));
    Label3->setGeometry(8, 96, fullW, 16);
    Edit_dt = ValueEdit(this, QStringLiteral("Edit_dt"));
    Edit_dt->setGeometry(8, 113, fullW, rowH);
    Label4 = BoldLabel(QStringLiteral("1/| t1- t2 | ="), this, QStringLiteral("Label4"));
    Label4->setGeometry(8, 140, fullW, 16);
    Edit_invdt = ValueEdit(this, QStringLiteral("Edit_invdt"));
    Edit_invdt->setGeometry(8, 157, fullW, rowH);

    BitBtn1 =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("&Fermer"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry((ClientWidth - 80) / 2, 188, 80, 26);
}

void TForm8::connectUi()
{
    UpDown1->OnClick = [this] { UpDown1Click(); };
    UpDown2->OnClick = [this] { UpDown2Click(); };
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm8::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TForm8::done(int result)
{
    FormClose();
    QDialog::done(result);
}

double TForm8::CursorTimeAt(int left) const
{
    const int w = target_.CourbeImg ? target_.CourbeImg->width() : 0;
    if (w <= 0)
        return 0.0;
    // An offset within the shown window: ViewStart is deliberately not added.
    return double(((long double)target_.ViewEnd - target_.ViewStart) * left / w);
}

QFrame* TForm8::CreateCursor(const QColor& colour, int left)
{
    if (!target_.Panel5 || !target_.CourbeImg)
        return nullptr;
    auto* cursor = new QFrame(target_.Panel5);
    cursor->setAutoFillBackground(true);
    QPalette palette = cursor->palette();
    palette.setColor(QPalette::Window, colour);
    cursor->setPalette(palette);
    cursor->setGeometry(left, target_.CourbeImg->y(), CursorWidth, target_.CourbeImg->height());
    cursor->show();
    cursor->raise();
    return cursor;
}

void TForm8::ShowDistance()
{
    const double dt = std::abs(t2_ - t1_);
    Edit_dt->setText(numfmt::General(dt, 3) + QStringLiteral(" s"));
    if (dt == 0.0)
        Edit_invdt->setText(ZeroDistanceText);
    else
        Edit_invdt->setText(numfmt::General(std::abs(1.0L / ((long double)t2_ - t1_)), 3) +
                            QStringLiteral(" Hz"));
}

// 1. Hide the main window's cursor and readout.
// 2. Place cursor 1 a tenth of the picture left of its middle, cursor 2 a tenth right of it.
// 3. Bind the spinners to the cursors, over the picture's whole width.
// 4. Show the distance and its inverse.
void TForm8::FormShow()
{
    SetShown(target_.CurseurTemps, false);
    SetShown(target_.CurseurEdit, false);

    const int w = target_.CourbeImg ? target_.CourbeImg->width() : 0;
    const int left1 = w / 2 - w / 10;
    cursor1_ = CreateCursor(Cursor1Colour, left1);
    t1_ = CursorTimeAt(left1);
    Edit_t1->setText(numfmt::General(t1_, 3) + QStringLiteral(" s"));

    const int left2 = w / 10 + w / 2;
    cursor2_ = CreateCursor(Cursor2Colour, left2);
    t2_ = CursorTimeAt(left2);
    Edit_t2->setText(numfmt::General(t2_, 3) + QStringLiteral(" s"));

    UpDown1->Max = std::max(w, 0);
    UpDown1->Position = left1;
    UpDown2->Max = std::max(w, 0);
    UpDown2->Position = left2;

    ShowDistance();
    // The edits only display values: start on the close button rather than in an edit.
    BitBtn1->setFocus();
}

void TForm8::UpDown1Click()
{
    if (cursor1_)
        cursor1_->move(UpDown1->Position, cursor1_->y());
    t1_ = CursorTimeAt(UpDown1->Position);
    Edit_t1->setText(numfmt::General(t1_, 3) + QStringLiteral(" s"));
    ShowDistance();
}

void TForm8::UpDown2Click()
{
    if (cursor2_)
        cursor2_->move(UpDown2->Position, cursor2_->y());
    t2_ = CursorTimeAt(UpDown2->Position);
    Edit_t2->setText(numfmt::General(t2_, 3) + QStringLiteral(" s"));
    ShowDistance();
}

void TForm8::FormClose()
{
    if (!shown_)
        return;
    shown_ = false;
    delete cursor1_.data();
    delete cursor2_.data();
    SetShown(target_.CurseurTemps, true);
    SetShown(target_.CurseurEdit, true);
}
