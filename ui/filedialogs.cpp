#include "ui/filedialogs.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QStringList>

namespace filedialogs {

namespace {

// "description|pattern|description|pattern" as the file dialogs take it: one entry per pair,
// the pattern in brackets after the description unless the description already shows it.
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
        const QString& description = parts[k];
        const QString patterns = QString(parts[k + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (description.endsWith(shown) ? description : description + QLatin1Char(' ') + shown);
    }
    return filters;
}

}  // namespace

void SetUpDialog(QFileDialog* dialog, const QString& filter, const QString& extension, bool emptyName)
{
    dialog->setNameFilters(NameFilters(filter));
    dialog->setDefaultSuffix(extension);
    if (emptyName) {
        // selectFile() ignores an empty name; the name field is the one to clear.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->clear();
    }
}

QString RunDialog(QFileDialog* dialog)
{
    if (dialog->exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace filedialogs
