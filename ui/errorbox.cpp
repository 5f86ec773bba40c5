#include "ui/errorbox.h"

#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

#include <QMessageBox>
#include <QWidget>

#include "model/errors.h"
#include "ui/windowhints.h"

QString ErrorBoxText(const QString& text)
{
    if (text.endsWith(QLatin1Char('.')))
        return text;
    return text + QLatin1Char('.');
}

void ShowErrorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("sonvelia"), ErrorBoxText(text), QMessageBox::Ok,
                    parent);
    windowhints::ForMessageBox(box);
    box.exec();
}

QString CurrentExceptionText()
{
    if (!std::current_exception())
        return QString();
    try {
        throw;
    } catch (const AppError& error) {
        return error.text();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Mémoire insuffisante");
    } catch (const std::length_error&) {
        // A buffer larger than the library can even ask for: lack of memory to the user.
        return QStringLiteral("Mémoire insuffisante");
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Erreur inattendue");
    }
}

void ReportCurrentException(QWidget* parent)
{
    // Outside a catch block there is nothing to report (and rethrowing would terminate).
    if (!std::current_exception())
        return;
    QString text;
    try {
        text = CurrentExceptionText();
        ShowErrorBox(parent, text);
    } catch (...) {
        // Not even the box could be shown (memory): a line on stderr beats ending the program.
        std::fprintf(stderr, "sonvelia: %s\n", text.isEmpty() ? "Mémoire insuffisante" : qPrintable(text));
    }
}
