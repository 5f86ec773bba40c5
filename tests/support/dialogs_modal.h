#pragma once

#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

// Helpers for tests that drive modal windows: the test schedules the answers before the window
// is opened, and they run from the event loop of the modal window itself.
namespace dialogs_test {

// Lets the window's queued events (layouts, repaints, deferred slots) run before a test looks.
inline void Settle(int rounds = 4)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

// Runs `action` once on the first active modal window that `match` accepts, polling the event
// loop for up to `timeoutMs`. Several such waits may be pending at once (nested windows).
void OnModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int timeoutMs = 5000);

// Runs `action` on the active modal window of class T.
template <class T>
void OnModalOf(std::function<void(T*)> action, int timeoutMs = 5000)
{
    OnModal([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
            [action](QWidget* w) { action(qobject_cast<T*>(w)); }, timeoutMs);
}

// Answers every message box that comes up with OK while it lives, keeping their texts.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    const QStringList& Texts() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// Answers a box of the program once the event loop turns, as the random runs do: the question
// "Effacement" with Yes or No and "Suppression d'une harmonique" with OK or Cancel, as `yes`
// says; any other box (an error) with OK, its text kept in `errors`.
void AnswerBoxLater(QMessageBox* box, bool yes, QStringList& errors);

// Sends one mouse event to a widget, with the given button and the buttons held after it.
void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint pos);
inline void Press(QWidget* w, Qt::MouseButton b, QPoint pos)
{
    SendMouse(w, QEvent::MouseButtonPress, b, b, pos);
}
inline void Release(QWidget* w, Qt::MouseButton b, QPoint pos)
{
    SendMouse(w, QEvent::MouseButtonRelease, b, Qt::NoButton, pos);
}
inline void MoveHeld(QWidget* w, Qt::MouseButtons held, QPoint pos)
{
    SendMouse(w, QEvent::MouseMove, Qt::NoButton, held, pos);
}
inline void Click(QWidget* w, Qt::MouseButton b, QPoint pos)
{
    Press(w, b, pos);
    Release(w, b, pos);
}

// The decimal text of a value with a given count of decimals, in the French notation the tests
// run in, written independently of the program's own formatting.
QString FrenchFixed(double value, int decimals);

}  // namespace dialogs_test
