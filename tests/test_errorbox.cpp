// The single error box: its text rule, the text of each kind of error, and Guarded handlers
// whose errors end up in a real message box (answered here through a timer).
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include "model/errors.h"
#include "ui/errorbox.h"

namespace {

TEST(ErrorBoxText, EndsWithExactlyOnePeriod)
{
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"Fichier introuvable", "Fichier introuvable."},
        {"Disque plein.", "Disque plein."},
        {"'abc' n'est pas une valeur en virgule flottante correcte",
         "'abc' n'est pas une valeur en virgule flottante correcte."},
        {"v. 5", "v. 5."},
        {"fin. ", "fin. ."},
        {"", "."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorBoxText(QString::fromUtf8(c.text)), QString::fromUtf8(c.shown)) << c.text;
}

// The text ReportCurrentException would show for an exception of each kind.
template <class Throw>
QString TextFor(Throw raise)
{
    try {
        raise();
    } catch (...) {
        return CurrentExceptionText();
    }
    return QStringLiteral("<nothing thrown>");
}

TEST(ErrorBoxText, ByKindOfError)
{
    EXPECT_EQ(TextFor([] { throw AppError(QStringLiteral("Accès au fichier refusé")); }),
              QStringLiteral("Accès au fichier refusé"));
    EXPECT_EQ(TextFor([] { throw FloatError(); }),
              QStringLiteral("Opération en virgule flottante incorrecte"));
    EXPECT_EQ(TextFor([] { throw std::bad_alloc(); }), QStringLiteral("Mémoire insuffisante"));
    EXPECT_EQ(TextFor([] { std::vector<int>().reserve(std::size_t(-1)); }),
              QStringLiteral("Mémoire insuffisante"));
    EXPECT_EQ(TextFor([] { throw std::runtime_error("épuisé"); }), QStringLiteral("épuisé"));
    const QString unknown = TextFor([] { throw 42; });
    EXPECT_FALSE(unknown.isEmpty());
    EXPECT_NE(unknown, QStringLiteral("<nothing thrown>"));
    // Outside any handler there is nothing to report.
    EXPECT_TRUE(CurrentExceptionText().isEmpty());
}

// What a message box looked like when it came up.
struct SeenBox {
    int count = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*>::size_type buttonCount = 0;
    bool hasOk = false;
    QWidget* parent = nullptr;
};

// Watches for modal message boxes while `action` runs, records each and presses OK.
template <class Action>
SeenBox AnswerBoxes(Action action)
{
    SeenBox seen;
    QTimer watcher;
    watcher.setInterval(10);  // ms
    QObject::connect(&watcher, &QTimer::timeout, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        ++seen.count;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttonCount = box->buttons().size();
        seen.hasOk = box->button(QMessageBox::Ok) != nullptr;
        seen.parent = box->parentWidget();
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    watcher.start();
    action();
    QApplication::processEvents();
    watcher.stop();
    return seen;
}

// A window with handlers of the shapes the program's windows use.
class Page : public QWidget {
public:
    int steps = 0;
    int lastValue = -1;

    void Click() { ++steps; }
    void FailingClick()
    {
        ++steps;
        throw AppError(QStringLiteral("Fichier introuvable"));
        ++steps;  // never reached: the handler ends at the failing step
    }
    void OutOfMemory() { throw std::bad_alloc(); }
    void ValueChanged(int value)
    {
        lastValue = value;
        if (value == 13)
            throw AppError(QStringLiteral("'13' n'est pas une valeur en virgule flottante correcte"));
    }
};

TEST(GuardedHandler, ErrorIsShownInTheBoxAndTheProgramCarriesOn)
{
    Page page;
    QPushButton button(&page);
    QObject::connect(&button, &QPushButton::clicked, &page, Guarded(&page, &Page::FailingClick));

    const SeenBox seen = AnswerBoxes([&] { button.click(); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, QStringLiteral("sonvelia"));
    EXPECT_EQ(seen.text, QStringLiteral("Fichier introuvable."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttonCount, 1);
    EXPECT_TRUE(seen.hasOk);
    EXPECT_EQ(seen.parent, &page);
    EXPECT_EQ(page.steps, 1);

    // The same button works again afterwards.
    const SeenBox again = AnswerBoxes([&] { button.click(); });
    EXPECT_EQ(again.count, 1);
    EXPECT_EQ(page.steps, 2);
}

TEST(GuardedHandler, SuccessfulHandlerShowsNothing)
{
    Page page;
    QPushButton button(&page);
    QObject::connect(&button, &QPushButton::clicked, &page, Guarded(&page, &Page::Click));
    const SeenBox seen = AnswerBoxes([&] {
        button.click();
        button.click();
    });
    EXPECT_EQ(seen.count, 0);
    EXPECT_EQ(page.steps, 2);
}

TEST(GuardedHandler, PassesTheSignalArgumentsTheHandlerTakes)
{
    Page page;
    QSpinBox spin(&page);
    spin.setRange(0, 100);
    QObject::connect(&spin, &QSpinBox::valueChanged, &page, Guarded(&page, &Page::ValueChanged));
    // A handler without arguments on a signal with one.
    QObject::connect(&spin, &QSpinBox::valueChanged, &page, Guarded(&page, &Page::Click));

    SeenBox seen = AnswerBoxes([&] { spin.setValue(7); });
    EXPECT_EQ(seen.count, 0);
    EXPECT_EQ(page.lastValue, 7);
    EXPECT_EQ(page.steps, 1);

    seen = AnswerBoxes([&] { spin.setValue(13); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, QStringLiteral("'13' n'est pas une valeur en virgule flottante correcte."));
    EXPECT_EQ(page.lastValue, 13);
    // The other connection still ran: one failing handler doesn't stop the rest.
    EXPECT_EQ(page.steps, 2);
}

TEST(GuardedHandler, LackOfMemory)
{
    Page page;
    QPushButton button(&page);
    QObject::connect(&button, &QPushButton::clicked, &page, Guarded(&page, &Page::OutOfMemory));
    const SeenBox seen = AnswerBoxes([&] { button.click(); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, QStringLiteral("Mémoire insuffisante."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

// A handler on an object that is not a window: the box has no parent.
class Worker : public QObject {
public:
    void Fail() { throw DiskFullError(); }
};

TEST(GuardedHandler, NonWidgetOwner)
{
    Worker worker;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, &worker, Guarded(&worker, &Worker::Fail));
    const SeenBox seen = AnswerBoxes([&] { button.click(); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, QStringLiteral("Disque plein."));
    EXPECT_EQ(seen.parent, nullptr);
}

TEST(ShowErrorBox, DirectCall)
{
    QWidget window;
    const SeenBox seen = AnswerBoxes([&] { ShowErrorBox(&window, IoErrorText(9999)); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, QStringLiteral("sonvelia"));
    EXPECT_EQ(seen.text, QStringLiteral("Erreur E/S 9999."));
}

}  // namespace
