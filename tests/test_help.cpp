// The help command: the manual's local address, the order of the attempts and the message
// when none succeeds. The desktop is replaced by a recording opener.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include "ui/help.h"

namespace {

// Records every target and answers from a script: true/false per attempt, in order.
struct RecordingDesktop {
    explicit RecordingDesktop(std::vector<bool> answers) : answers(std::move(answers))
    {
        previous = help::SetOpener([this](const QString& target) {
            targets << target;
            return targets.size() <= int(this->answers.size()) &&
                   this->answers[std::size_t(targets.size() - 1)];
        });
    }
    ~RecordingDesktop() { help::SetOpener(previous); }
    std::vector<bool> answers;
    QStringList targets;
    help::Opener previous;
};

struct SeenBox {
    bool shown = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttonCount = 0;
    bool okOnly = false;
};

// Answers the next modal message box with OK, noting what it showed.
void AnswerNextBox(SeenBox& seen)
{
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttonCount = int(box->buttons().size());
        seen.okOnly = box->standardButtons() == QMessageBox::Ok;
        box->button(QMessageBox::Ok)->click();
    });
}

}  // namespace

TEST(HelpTarget, FolderWithForwardSlashesAndNoOtherEscaping)
{
    const struct {
        const char* folder;
        const char* target;
    } cases[] = {
        {"C:\\Prog\\Son\\", "file:///C:/Prog/Son/sonveliamde.html"},
        {"C:\\Mes programmes\\Son", "file:///C:/Mes programmes/Son/sonveliamde.html"},
        {"/home/jo/Mes programmes/sonvelia/", "file:///home/jo/Mes programmes/sonvelia/sonveliamde.html"},
        {"/usr/lib/sonvelia", "file:///usr/lib/sonvelia/sonveliamde.html"},
        {"/opt/son#1/%20é", "file:///opt/son#1/%20é/sonveliamde.html"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(help::LocalTarget(QString::fromUtf8(c.folder)), QString::fromUtf8(c.target)) << c.folder;
}

TEST(HelpTarget, DesktopGetsTheSameFileWhateverTheFolderName)
{
    for (const char* folder : {"/usr/lib/sonvelia/", "/home/jo/Mes programmes/", "/opt/son#1/", "/opt/a%20b/",
                               "/home/zoé/logiciels/"}) {
        const QString path = QString::fromUtf8(folder) + QStringLiteral("sonveliamde.html");
        const QUrl url = help::DesktopUrl(help::LocalTarget(QString::fromUtf8(folder)));
        EXPECT_TRUE(url.isLocalFile()) << folder;
        EXPECT_EQ(url.toLocalFile(), path) << folder;
        EXPECT_TRUE(url.fragment().isEmpty()) << folder;
    }
    const QUrl web = help::DesktopUrl(help::WebHelpPage);
    EXPECT_EQ(web.path(), QStringLiteral("/logiciels/sonvelia/sonveliamde.html"));
    const QUrl mail = help::DesktopUrl(help::ContactMail);
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.query(), QStringLiteral("subject=Sonvelia"));
}

TEST(HelpAttempts, LocalFirstThenWebThenMessage)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString folder = base.path() + QStringLiteral("/Mes programmes");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString local = QStringLiteral("file://") + folder + QStringLiteral("/sonveliamde.html");
    const QString web = help::WebHelpPage;
    EXPECT_TRUE(web.endsWith(QStringLiteral("/logiciels/sonvelia/sonveliamde.html")));
    EXPECT_TRUE(web.startsWith(QStringLiteral("https://")));

    struct Case {
        bool manualPresent;
        std::vector<bool> answers;
        QStringList expectedTargets;
        bool expectMessage;
    };
    const Case cases[] = {
        {true, {true}, {local}, false},              // beside the program: never the web
        {true, {false, true}, {local, web}, false},  // no handler for it: the web page
        {true, {false, false}, {local, web}, true},  // neither
        {false, {true}, {web}, false},               // missing: straight to the web
        {false, {false}, {web}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedTargets.join(QLatin1Char(' ')).toStdString() +
                     (c.manualPresent ? " present" : ""));
        QFile manual(folder + QStringLiteral("/sonveliamde.html"));
        if (c.manualPresent) {
            ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
            manual.write("<html></html>");
            manual.close();
        } else {
            manual.remove();
        }
        RecordingDesktop desktop(c.answers);
        SeenBox seen;
        AnswerNextBox(seen);
        help::ShowManual(nullptr, folder);
        QApplication::processEvents();
        EXPECT_EQ(desktop.targets, c.expectedTargets);
        EXPECT_EQ(seen.shown, c.expectMessage);
        if (c.expectMessage) {
            EXPECT_EQ(seen.text, QStringLiteral("Le fichier d'aide est introuvable"));
            EXPECT_EQ(seen.title, QStringLiteral("sonvelia"));
            EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
            EXPECT_TRUE(seen.okOnly);
            EXPECT_EQ(seen.buttonCount, 1);
        }
    }
}

TEST(HelpAttempts, ADirectoryNamedLikeTheManualIsNotTheManual)
{
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("sonveliamde.html")));
    RecordingDesktop desktop({true});
    EXPECT_TRUE(help::OpenManual(base.path()));
    EXPECT_EQ(desktop.targets, QStringList{help::WebHelpPage});
}

TEST(HelpManual, PicturesItShowsAreBesideItAndInstalledWithIt)
{
    const QDir docs(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../docs"));
    QFile manual(docs.filePath(help::ManualFileName));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(manual.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"fr\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QStringList pictures;
    const QRegularExpression source(QStringLiteral("<img src=\"([^\"]+)\""));
    for (auto it = source.globalMatch(html); it.hasNext();)
        pictures << it.next().captured(1);
    EXPECT_GE(pictures.size(), 3);
    for (const QString& picture : pictures) {
        // Relative, and named so that the build and the installation copy it beside the manual.
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^manual-[a-z0-9-]+\\.png$")).match(picture).hasMatch())
            << picture.toStdString();
        EXPECT_TRUE(docs.exists(picture)) << picture.toStdString();
    }
}
