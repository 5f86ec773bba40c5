#include "ui/filedialogs.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace filedialogs {

namespace {

constexpr int ColumnPadding = 24;       // px, beside a column's widest text: sort arrow and margins
constexpr int SidebarIconRoom = 40;     // px, the sidebar's icon and margins beside its widest entry
constexpr int NameColumnWidth = 240;    // px, room for a file name of some length
constexpr int MinimumListHeight = 260;  // px, about a dozen entries

// The toolkit's French texts leave the kinds of entries in English ("Folder", "mdl File"):
// the dialog's list says them in French.
class FrenchKinds : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Dossier");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("Fichier") : QStringLiteral("Fichier ") + suffix;
    }
};

QFileIconProvider* SharedKinds()
{
    static FrenchKinds kinds;
    return &kinds;
}

// The widest text of a column, with the room its header needs.
int ColumnWidth(const QFontMetrics& metrics, const QStringList& texts)
{
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest + ColumnPadding;
}

// Gives Qt's own dialog columns and a sidebar wide enough for their French texts, and a size
// that holds them all, so that no header, date or place name is cut.
void SizeForFrenchTexts(QFileDialog* dialog)
{
    dialog->setIconProvider(SharedKinds());
    const QFontMetrics metrics(dialog->font());
    auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    int listWidth = 0;
    if (tree != nullptr) {
        QHeaderView* header = tree->header();
        const QAbstractItemModel* model = tree->model();
        auto headerText = [model](int column) {
            return model != nullptr ? model->headerData(column, Qt::Horizontal).toString() : QString();
        };
        const QString date =
            QLocale().toString(QDateTime(QDate(2026, 12, 29), QTime(23, 59)), QLocale::ShortFormat);
        const int widths[] = {
            std::max(NameColumnWidth, ColumnWidth(metrics, {headerText(0)})),
            ColumnWidth(metrics, {headerText(1), QStringLiteral("999,99 Kio")}),
            ColumnWidth(metrics, {headerText(2), QStringLiteral("Dossier"), QStringLiteral("Fichier mdl")}),
            ColumnWidth(metrics, {headerText(3), date}),
        };
        header->setStretchLastSection(false);
        header->setMinimumSectionSize(1);
        for (int column = 0; column < 4; ++column) {
            header->resizeSection(column, widths[column]);
            listWidth += widths[column];
        }
    }
    int sidebarWidth = 0;
    if (auto* sidebar = dialog->findChild<QListView*>(QStringLiteral("sidebar"))) {
        QStringList places;
        if (const QAbstractItemModel* model = sidebar->model())
            for (int row = 0; row < model->rowCount(); ++row)
                places << model->index(row, 0).data().toString();
        places << QStringLiteral("Ordinateur");
        sidebarWidth = ColumnWidth(metrics, places) + SidebarIconRoom;
        sidebar->setMinimumWidth(sidebarWidth);
    }
    const int scrollBar = dialog->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (auto* splitter = dialog->findChild<QSplitter*>(QStringLiteral("splitter")))
        splitter->setSizes({sidebarWidth, listWidth + scrollBar});
    // The list's frame, the scroll bar, the splitter's handle and the dialog's margins.
    const int chrome = 80;  // px
    dialog->resize(std::max(dialog->width(), sidebarWidth + listWidth + chrome),
                   std::max(dialog->height(), MinimumListHeight + 160));
}

// A completer's list that the dialog opened outlives it when the dialog closes on Return: the
// list would stay over the main window and take the next key.
void HideCompleterLists(QFileDialog* dialog)
{
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (QAbstractItemView* list = completer->popup(); list != nullptr && list->isVisible())
            list->hide();
}

QFileDialog* Make(QWidget* owner, const QString& name)
{
    auto* dialog = new QFileDialog(owner);
    dialog->setObjectName(name);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] { HideCompleterLists(dialog); });
    return dialog;
}

// Qt's own dialog is sized for its French texts; a desktop chooser, which shows no title of its
// own, is given the one Qt's dialog shows.
void Finish(QFileDialog* dialog, const QString& title)
{
    if (IsOwnDialog(dialog))
        SizeForFrenchTexts(dialog);
    else
        dialog->setWindowTitle(title);
}

}  // namespace

QFileDialog* MakeSaveDialog(QWidget* owner)
{
    QFileDialog* dialog = Make(owner, QStringLiteral("SaveDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    Finish(dialog, QStringLiteral("Enregistrer sous"));
    return dialog;
}

QFileDialog* MakeOpenDialog(QWidget* owner)
{
    QFileDialog* dialog = Make(owner, QStringLiteral("OpenDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    Finish(dialog, QStringLiteral("Ouvrir"));
    return dialog;
}

bool IsOwnDialog(const QFileDialog* dialog)
{
    // Qt's own dialog builds its widgets only when no desktop chooser stands in for it.
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) != nullptr;
}

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

void SetUp(QFileDialog* dialog, const QString& filter, const QString& extension, bool emptyName)
{
    dialog->setNameFilters(NameFilters(filter));
    dialog->setDefaultSuffix(extension);
    if (!emptyName)
        return;
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        // selectFile() ignores an empty name; the name field is the one to clear.
        name->clear();
    } else {
        // A desktop chooser keeps the last name it was given: the folder itself, with a final
        // separator, gives it the same folder and an empty name.
        dialog->selectFile(QDir(dialog->directory()).absolutePath() + QLatin1Char('/'));
    }
}

QString Run(QFileDialog* dialog)
{
    const int result = dialog->exec();
    HideCompleterLists(dialog);
    if (result != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace filedialogs
