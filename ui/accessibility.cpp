#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <array>

#include "model/numfmt.h"
#include "ui/Sonvelia3.h"
#include "ui/Sonvelia6.h"
#include "ui/errorbox.h"
#include "ui/picturebox.h"
#include "ui/picturetext.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/sonvelia7.h"
#include "ui/sonvelia8.h"
#include "ui/updown.h"

namespace a11y {

namespace {

constexpr int SmallStep = 1;    // pixels of the cursor, values of an envelope point
constexpr int CursorJump = 10;  // pixels of the cursor with Shift
constexpr int ValueJump = 16;   // values of an envelope point with Page Up / Page Down
constexpr int EnvelopeTop = 255;
constexpr int RingWidth = 2;  // pixels of the focus frame around a picture

// A caption as a screen reader should say it: no mnemonic mark ("&&" stays one '&'), no blanks
// around it and no colon after it.
QString Spoken(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    caption = caption.trimmed();
    if (caption.endsWith(QLatin1Char(':')) || caption.endsWith(QLatin1Char('=')))
        caption.chop(1);
    return caption.trimmed();
}

void Name(QWidget* widget, const QString& name)
{
    widget->setAccessibleName(name);
}

// A field and the label that stands for it: the label points at it (the toolkit's own link
// between them) and the field takes the name. A spinner's text field is named too, since a
// screen reader may meet either.
void Tie(QLabel* label, QWidget* field, const QString& name)
{
    if (label)
        label->setBuddy(field);
    Name(field, name);
    if (auto* spinner = qobject_cast<TUpDown*>(field))
        Name(spinner->Field(), name);
}

void Tie(QLabel* label, QWidget* field)
{
    Tie(label, field, Spoken(label->text()));
}

// A button that shows only a picture is named after its hint.
void NameFromHint(QToolButton* button)
{
    if (button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly)
        Name(button, Spoken(button->toolTip().isEmpty() ? button->text() : button->toolTip()));
}

// The pictures are images to a screen reader, named and described by the windows.
QAccessibleInterface* PictureFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("PictureBox") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

void InstallFactories()
{
    static const bool installed = [] {
        QAccessible::installFactory(&PictureFactory);
        return true;
    }();
    (void)installed;
}

// A slider of the relative amplitudes dialog, whose value is the amplitude it stands for
// (0..0,996) rather than its position (1..250, top to bottom).
class AmplitudeSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AmplitudeSliderAccessible(QSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return numfmt::General(currentValue().toDouble(), 3);
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return amplitudelayout::AmplitudeAt(slider()->value()); }
    void setCurrentValue(const QVariant& value) override
    {
        slider()->setValue(amplitudelayout::PositionFor(value.toDouble()));
    }
    QVariant maximumValue() const override { return amplitudelayout::AmplitudeAt(slider()->minimum()); }
    QVariant minimumValue() const override { return amplitudelayout::AmplitudeAt(slider()->maximum()); }
    QVariant minimumStepSize() const override
    {
        return amplitudelayout::AmplitudeAt(0) - amplitudelayout::AmplitudeAt(slider()->singleStep());
    }

private:
    QSlider* slider() const { return static_cast<QSlider*>(widget()); }
};

// Puts `replacement` in place of whatever interface the toolkit made for its object so far.
void Replace(QAccessibleInterface* replacement)
{
    if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(replacement->object()))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    QAccessible::registerAccessibleInterface(replacement);
}

// The page tabs: the toolkit tells only which tab has the focus; a screen reader also wants to
// know which page is in front, whichever control has the focus.
class PageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PageTabAccessible(QTabBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < bar_->count(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(bar_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
            case QAccessible::Name:
                return Spoken(bar_->tabText(index_));
            case QAccessible::Description:
                return bar_->tabToolTip(index_);
            default:
                return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = bar_->tabRect(index_);
        return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.focusable = true;
        s.selectable = true;
        s.selected = index_ == bar_->currentIndex();
        s.focused = s.selected && bar_->hasFocus();
        s.disabled = !bar_->isTabEnabled(index_);
        s.invisible = !bar_->isVisible() || !bar_->isTabVisible(index_);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && isValid())
            bar_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> bar_;
    int index_;
};

class PageTabsAccessible : public QAccessibleWidget {
public:
    explicit PageTabsAccessible(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList)
    {
        // The tab in front changes: both tabs' "selected" states change with it.
        QObject::connect(bar, &QTabBar::currentChanged, bar, [this, bar](int index) {
            for (int i : {previous_, index}) {
                if (i < 0 || i >= bar->count())
                    continue;
                QAccessible::State changed;
                changed.selected = true;
                QAccessibleStateChangeEvent event(child(i), changed);
                QAccessible::updateAccessibility(&event);
            }
            previous_ = index;
        });
        previous_ = bar->currentIndex();
    }
    ~PageTabsAccessible() override
    {
        for (QAccessibleInterface* tab : tabs_)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(tab));
    }

    int childCount() const override { return bar()->count() + int(Scrollers().size()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0)
            return nullptr;
        if (index < bar()->count()) {
            while (tabs_.size() <= index)
                tabs_.push_back(new PageTabAccessible(bar(), int(tabs_.size())));
            return tabs_[index];
        }
        const QList<QToolButton*> scrollers = Scrollers();
        const qsizetype k = index - bar()->count();
        return k < scrollers.size() ? QAccessible::queryAccessibleInterface(scrollers[k]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (qsizetype i = 0; i < tabs_.size(); ++i)
            if (tabs_[i] == child)
                return int(i);
        const QList<QToolButton*> scrollers = Scrollers();
        for (qsizetype k = 0; k < scrollers.size(); ++k)
            if (child && child->object() == scrollers[k])
                return bar()->count() + int(k);
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        return bar()->hasFocus() && bar()->currentIndex() >= 0 ? child(bar()->currentIndex()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && bar()->accessibleName().isEmpty() && bar()->currentIndex() >= 0)
            return Spoken(bar()->tabText(bar()->currentIndex()));
        return QAccessibleWidget::text(t);
    }

private:
    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }
    QList<QToolButton*> Scrollers() const
    {
        return bar()->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    }

    mutable QList<QAccessibleInterface*> tabs_;
    int previous_ = -1;
};

// A frame around a picture that has the keyboard focus, drawn in the parent around the
// picture's edges: the picture itself shows exactly what the model drew.
class FocusRing : public QWidget {
public:
    explicit FocusRing(QWidget* target) : QWidget(target->parentWidget()), target_(target)
    {
        setObjectName(target->objectName() + QStringLiteral("_focus"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
            case QEvent::FocusIn:
                Follow();
                show();
                stackUnder(target_);
                break;
            case QEvent::FocusOut:
            case QEvent::Hide:
                hide();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                Follow();
                break;
            default:
                break;
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Highlight));
    }

private:
    void Follow()
    {
        // Only the part outside the picture shows: the ring lies under it.
        setGeometry(target_->geometry().adjusted(-RingWidth, -RingWidth, RingWidth, RingWidth));
    }

    QWidget* target_;
};

// Runs a key's command like the mouse's own: an error reaches the error box.
template <class F>
void RunGuarded(QWidget* parent, F&& command)
{
    try {
        command();
    } catch (...) {
        ReportCurrentException(parent);
    }
}

// The time cursor from the keyboard: each key is a left click on the waveform at the new x.
class WaveformKeys : public QObject {
public:
    explicit WaveformKeys(TForm1& form) : QObject(form.CourbeImg), form_(form)
    {
        form.CourbeImg->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        // A click lands the cursor's left edge where it was made: that edge is where keys start.
        const int here = form_.CurseurTemps->x();
        const int last = form_.CourbeImg->width() - form_.CurseurTemps->width() - 1;  // last x a click takes
        const int step = key->modifiers() & Qt::ShiftModifier ? CursorJump : SmallStep;
        int x = 0;
        switch (key->key()) {
            case Qt::Key_Left:
                x = here - step;
                break;
            case Qt::Key_Right:
                x = here + step;
                break;
            case Qt::Key_Home:
                x = 0;
                break;
            case Qt::Key_End:
                x = last;
                break;
            default:
                return false;
        }
        x = std::clamp(x, 0, std::max(last, 0));
        RunGuarded(&form_, [&] { form_.CourbeImgMouseUp(Qt::LeftButton, x); });
        return true;
    }

private:
    TForm1& form_;
};

// A link of the About box from the keyboard: Return or Space on it is a left click.
class LinkKeys : public QObject {
public:
    explicit LinkKeys(QLabel* link) : QObject(link)
    {
        link->setFocusPolicy(Qt::TabFocus);
        link->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
            return false;
        auto* link = static_cast<QLabel*>(watched);
        const QPointF centre = QRectF(link->rect()).center();
        QMouseEvent click(QEvent::MouseButtonRelease, centre, link->mapToGlobal(centre), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(link, &click);
        return true;
    }
};

// The small triangle under the envelope point chosen from the keyboard, below the area.
class PointMarker : public QWidget {
public:
    explicit PointMarker(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("PaintBox1_point"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFixedSize(envelopedraw::ColumnWidth, envelopedraw::ColumnWidth);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath up;
        up.moveTo(width() / 2.0, 0);
        up.lineTo(width(), height());
        up.lineTo(0, height());
        up.closeSubpath();
        painter.fillPath(up, palette().color(QPalette::WindowText));
    }
};

// The envelope from the keyboard: Left and Right choose a point, the other keys set its value,
// each as a click at that point's column and at the height of the new value.
class EnvelopeKeys : public QObject {
public:
    explicit EnvelopeKeys(TForm2& form) : QObject(&form), form_(form), marker_(new PointMarker(&form))
    {
        form.PaintBox1->installEventFilter(this);
        connect(form.PaintBox1, &PictureBox::MouseDown, this, [this] { Describe(); });
        connect(form.PaintBox1, &PictureBox::MouseMove, this, [this] { Describe(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
            case QEvent::FocusIn:
                PlaceMarker();
                marker_->show();
                Describe();
                return false;
            case QEvent::FocusOut:
            case QEvent::Hide:
                marker_->hide();
                return false;
            case QEvent::Paint:
                // Whatever drew the area (a showing, a reset, a click), its text follows.
                Describe();
                return false;
            case QEvent::KeyPress:
                return Key(static_cast<QKeyEvent*>(event)->key());
            default:
                return false;
        }
    }

private:
    bool Key(int key)
    {
        const int points = int(form_.WorkEnvelope.size());
        const int value = form_.WorkEnvelope[std::size_t(chosen_)];
        switch (key) {
            case Qt::Key_Left:
            case Qt::Key_Right:
                chosen_ = std::clamp(chosen_ + (key == Qt::Key_Left ? -1 : 1), 0, points - 1);
                PlaceMarker();
                Describe();
                return true;
            case Qt::Key_Up:
                return Set(value + SmallStep);
            case Qt::Key_Down:
                return Set(value - SmallStep);
            case Qt::Key_PageUp:
                return Set(value + ValueJump);
            case Qt::Key_PageDown:
                return Set(value - ValueJump);
            case Qt::Key_Home:
                return Set(EnvelopeTop);
            case Qt::Key_End:
                return Set(0);
            default:
                return false;
        }
    }

    bool Set(int value)
    {
        value = std::clamp(value, 0, EnvelopeTop);
        // The middle of the point's column, and the height a click gives that value at.
        const QPoint at(chosen_ * envelopedraw::ColumnWidth + envelopedraw::ColumnWidth / 2,
                        envelopedraw::Baseline - value);
        form_.PaintBox1MouseDown(Qt::LeftButton, at);
        Describe();
        return true;
    }

    void PlaceMarker()
    {
        const QRect area = form_.PaintBox1->geometry();
        marker_->move(area.left() + chosen_ * envelopedraw::ColumnWidth, area.bottom() + 1 + RingWidth);
    }

    void Describe()
    {
        const QString text =
            picturetext::Envelope(form_.WorkEnvelope, form_.PaintBox1->hasFocus() ? chosen_ : -1);
        if (form_.PaintBox1->accessibleDescription() != text)
            a11y::Describe(form_.PaintBox1, text);
    }

    TForm2& form_;
    PointMarker* marker_;
    int chosen_ = 0;  // 0..45
};

// ---- Tab order ---------------------------------------------------------------------------

// Whether the Tab key stops at the widget itself. A widget that hands its focus to a widget
// inside it (a tab widget to its tab bar) is a container instead.
bool IsTabStop(const QWidget* widget)
{
    if (!(widget->focusPolicy() & Qt::TabFocus))
        return false;
    const QWidget* proxy = widget->focusProxy();
    return proxy == nullptr || !widget->isAncestorOf(proxy);
}

// A stable insertion sort: a window's controls are a few dozen, and unlike std::stable_sort it
// takes no temporary buffer (whose nothrow allocation the heap checks of the tests cannot follow).
template <class Less>
void SortStably(QList<QWidget*>::iterator first, QList<QWidget*>::iterator last, Less less)
{
    for (auto i = first; i != last; ++i)
        for (auto j = i; j != first && less(*j, *(j - 1)); --j)
            std::iter_swap(j, j - 1);
}

// Sorts widgets into rows (a widget whose top lies above the middle of the row's first one
// joins it), the rows top to bottom and each row left to right.
void SortByReading(QList<QWidget*>& widgets)
{
    SortStably(widgets.begin(), widgets.end(),
               [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    for (qsizetype first = 0; first < widgets.size();) {
        const QRect lead = widgets[first]->geometry();
        qsizetype end = first + 1;
        while (end < widgets.size() && widgets[end]->y() < lead.top() + lead.height() / 2)
            ++end;
        SortStably(widgets.begin() + first, widgets.begin() + end,
                   [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        first = end;
    }
}

void CollectTabStops(QWidget* container, QList<QWidget*>& stops)
{
    QList<QWidget*> children;
    for (QObject* child : container->children())
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            children << static_cast<QWidget*>(child);
    SortByReading(children);
    for (QWidget* child : children) {
        if (IsTabStop(child))
            stops << child;
        else
            CollectTabStops(child, stops);
    }
}

// ---- Pictures ------------------------------------------------------------------------------

void NamePicture(PictureBox* picture, const QString& name)
{
    InstallFactories();
    Name(picture, name);
}

}  // namespace

void Describe(QWidget* picture, const QString& description)
{
    // The toolkit tells the screen reader of the change (a description-changed event).
    picture->setAccessibleDescription(description);
}

void OrderTabs(QWidget* window)
{
    QList<QWidget*> stops;
    CollectTabStops(window, stops);
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}

// ---- Main window -------------------------------------------------------------------------

void Prepare(TForm1& form)
{
    InstallFactories();
    Replace(new PageTabsAccessible(form.PageControl1->tabBar()));
    Name(form.PageControl1, QStringLiteral("Pages"));
    Name(form.ModelePage, Spoken(form.PageControl1->tabText(form.PageControl1->indexOf(form.ModelePage))));
    Name(form.PageSerie, Spoken(form.PageControl1->tabText(form.PageControl1->indexOf(form.PageSerie))));

    // Model page: the model panel.
    Name(form.ToolBar1, QStringLiteral("Modèle"));
    Tie(form.Label2, form.frequedit);
    Tie(form.Label9, form.dureeUD);
    form.Label6->setBuddy(form.UpDown1);
    Tie(nullptr, form.UpDown1, QStringLiteral("Glissement en fréquence, pour cent"));
    Tie(form.Label12, form.UpDown3, QStringLiteral("Glissement en fréquence, pour mille"));
    Tie(form.Label4, form.ComboBox1);
    if (QLineEdit* typed = form.ComboBox1->lineEdit())
        Name(typed, Spoken(form.Label4->text()));

    // Model page: the views.
    Name(form.ToolBar2, QStringLiteral("Vues"));
    for (QToolButton* button : {form.ZoomBtn, form.AnnZoomBtn, form.ToolButton1, form.ToolButton4,
                                form.ToolButton5, form.ToolButton7})
        NameFromHint(button);
    for (QToolBar* bar : {form.ToolBar1, form.ToolBar2})
        for (QToolButton* more : bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            Name(more, QStringLiteral("autres commandes"));
    for (QToolButton* more :
         form.MainMenu1->findChildren<QToolButton*>(QStringLiteral("qt_menubar_ext_button")))
        Name(more, QStringLiteral("autres menus"));
    Tie(form.Label7, form.CurseurEdit);
    form.Label8->setAccessibleDescription(QStringLiteral("facteur de zoom"));
    Name(form.CurseurTemps, QStringLiteral("curseur de temps"));
    Name(form.choixgrapheRG, QStringLiteral("Vue du bas"));
    NamePicture(form.CourbeImg, picturetext::WaveformName);
    NamePicture(form.SpectreImg, picturetext::SpectrumName);
    NamePicture(form.SonogImg,
                form.GraphChoice() == 0 ? picturetext::SonogramName : picturetext::ComponentsName);

    // "Série" page.
    Name(form.CheckListBox1, QStringLiteral("Modèles de la série"));
    NamePicture(form.seriecourbe, picturetext::WaveformName + picturetext::SeriesSuffix);
    NamePicture(form.seriespectre, picturetext::SpectrumName + picturetext::SeriesSuffix);
    NamePicture(form.seriesonog,
                (form.GraphChoice() == 0 ? picturetext::SonogramName : picturetext::ComponentsName) +
                    picturetext::SeriesSuffix);

    // The waveform takes the keyboard from Tab only: a click keeps doing just what it did.
    form.CourbeImg->setFocusPolicy(Qt::TabFocus);
    new FocusRing(form.CourbeImg);
    new WaveformKeys(form);
    OrderTabs(&form);
}

void DescribeWaveform(TForm1& form)
{
    if (form.CurrentModel)
        Describe(form.CourbeImg, picturetext::Waveform(form.ViewStart, form.ViewEnd, form.CursorTime));
}

void DescribeSpectrum(TForm1& form)
{
    if (form.CurrentModel)
        Describe(form.SpectreImg, picturetext::Spectrum(*form.CurrentModel, form.CursorTime));
}

void DescribeGraph(TForm1& form)
{
    const bool sonogram = form.GraphChoice() == 0;
    Name(form.SonogImg, sonogram ? picturetext::SonogramName : picturetext::ComponentsName);
    if (!form.CurrentModel)
        return;
    Describe(form.SonogImg, sonogram ? picturetext::Sonogram(*form.CurrentModel)
                                     : picturetext::Components(*form.CurrentModel, form.CursorTime,
                                                               form.SonogImg->Shown().height()));
}

void DescribeSeries(TForm1& form, const tmodele& model, double length, double middle)
{
    const bool sonogram = form.GraphChoice() == 0;
    Name(form.seriesonog,
         (sonogram ? picturetext::SonogramName : picturetext::ComponentsName) + picturetext::SeriesSuffix);
    Describe(form.seriecourbe, picturetext::SeriesWaveform(0.0, length));
    Describe(form.seriespectre, picturetext::Spectrum(model, middle));
    Describe(form.seriesonog,
             sonogram ? picturetext::Sonogram(model)
                      : picturetext::Components(model, middle, form.seriesonog->Shown().height()));
}

// ---- Dialogs -----------------------------------------------------------------------------

void Prepare(TForm2& form)
{
    NamePicture(form.PaintBox1, picturetext::EnvelopeName);
    Describe(form.PaintBox1, picturetext::Envelope(form.WorkEnvelope, -1));
    form.PaintBox1->setFocusPolicy(Qt::TabFocus);
    new FocusRing(form.PaintBox1);
    new EnvelopeKeys(form);
    OrderTabs(&form);
}

void Prepare(TForm3& form)
{
    NamePicture(form.Shape1, QStringLiteral("Échelle des fréquences"));
    Name(form.Shape2, QStringLiteral("curseur vert"));
    Name(form.Label1, QStringLiteral("fréquence choisie"));
    // The ranges are reached by Tab too; a click still leaves the focus where it was.
    for (QToolButton* range : form.SpeedButtons) {
        Name(range, QStringLiteral("gamme ") + range->text());
        range->setFocusPolicy(Qt::TabFocus);
    }
    OrderTabs(&form);
}

void Prepare(TForm4& form)
{
    Tie(form.Label1, form.ListBox1);
    Tie(form.Label2, form.Edit1);
    Name(form.TrackBar1, Spoken(form.Label2->text()));
    Tie(form.Label6, form.UpDown1);
    OrderTabs(&form);
}

void Prepare(TForm5& form)
{
    OrderTabs(&form);
}

void PrepareSliders(TForm5& form, const tmodele& model)
{
    const std::size_t count = std::min(form.AmplitudeSliders.size(), model.Harmonics.size());
    for (std::size_t i = 0; i < count; ++i) {
        QSlider* slider = form.AmplitudeSliders[i];
        const int rank = model.Harmonics[i].Rank;
        Name(slider, rank == 1 ? QStringLiteral("amplitude du fondamental")
                               : QStringLiteral("amplitude de l'harmonique ") + QString::number(rank));
        Replace(new AmplitudeSliderAccessible(slider));
    }
    OrderTabs(&form);
}

void Prepare(TForm6& form)
{
    Tie(form.Label1, form.UpDown1, QStringLiteral("Phase"));
    OrderTabs(&form);
}

void Prepare(TForm7& form)
{
    Name(form.papier, Spoken(form.windowTitle()));
    OrderTabs(&form);
}

void Prepare(TForm8& form)
{
    Tie(form.Label1, form.Edit_t1);
    Tie(form.Label2, form.Edit_t2);
    Tie(form.Label3, form.Edit_dt);
    Tie(form.Label4, form.Edit_invdt);
    const std::array<std::pair<TUpDownH*, QString>, 2> arrows{
        {{form.UpDown1, Spoken(form.Label5->text())}, {form.UpDown2, Spoken(form.Label6->text())}}};
    for (const auto& [pair, cursor] : arrows) {
        Name(pair, cursor);
        Name(pair->Left, cursor + QStringLiteral(" vers la gauche"));
        Name(pair->Right, cursor + QStringLiteral(" vers la droite"));
    }
    OrderTabs(&form);
}

void Prepare(TAboutBox& form)
{
    Name(form.ProgramIcon, QStringLiteral("icône de sonvelia"));
    for (QLabel* link : {form.Label4, form.Label3}) {
        Name(link, link->text());
        new LinkKeys(link);
    }
    OrderTabs(&form);
}

}  // namespace a11y
