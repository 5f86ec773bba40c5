#include "support/dialogs_modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace dialogs_test {

namespace {
constexpr int PollMs = 5;  // milliseconds between looks at the active modal window

void Poll(std::shared_ptr<QElapsedTimer> clock, int timeoutMs, std::function<bool(QWidget*)> match,
          std::function<void(QWidget*)> action)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && match(modal)) {
        action(modal);
        return;
    }
    if (clock->elapsed() > timeoutMs)
        return;
    QTimer::singleShot(PollMs, [=] { Poll(clock, timeoutMs, match, action); });
}
}  // namespace

void OnModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action, int timeoutMs)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QTimer::singleShot(0, [=] { Poll(clock, timeoutMs, match, action); });
}

struct MessageBoxCatcher::State {
    bool active = true;
    QStringList texts;
};

namespace {
void CatchLoop(std::shared_ptr<MessageBoxCatcher::State> state);
}

MessageBoxCatcher::MessageBoxCatcher() : state_(std::make_shared<State>())
{
    auto state = state_;
    QTimer::singleShot(0, [state] { CatchLoop(state); });
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    state_->active = false;
}

const QStringList& MessageBoxCatcher::Texts() const
{
    return state_->texts;
}

namespace {
void CatchLoop(std::shared_ptr<MessageBoxCatcher::State> state)
{
    if (!state->active)
        return;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (box != nullptr && box->isVisible() && !box->property("answeredByTest").toBool()) {
            box->setProperty("answeredByTest", true);
            state->texts << box->text();
            QPointer<QMessageBox> guard(box);
            QTimer::singleShot(0, [guard] {
                if (guard)
                    guard->done(QMessageBox::Ok);
            });
        }
    }
    QTimer::singleShot(PollMs, [state] { CatchLoop(state); });
}
}  // namespace

void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QString FrenchFixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

void AnswerBoxLater(QMessageBox* box, bool yes, QStringList& errors)
{
    QAbstractButton* button = nullptr;
    const QString name = box->objectName();
    if (name == QStringLiteral("EffacementQuestion")) {
        button = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
    } else if (name == QStringLiteral("SuppressionQuestion")) {
        button = box->button(yes ? QMessageBox::Ok : QMessageBox::Cancel);
    } else {
        errors << box->text();
        button = box->button(QMessageBox::Ok);
    }
    QPointer<QAbstractButton> guard(button);
    QPointer<QMessageBox> boxGuard(box);
    QTimer::singleShot(0, [guard, boxGuard] {
        if (guard)
            guard->click();
        else if (boxGuard)
            boxGuard->done(QMessageBox::Ok);
    });
}

}  // namespace dialogs_test
