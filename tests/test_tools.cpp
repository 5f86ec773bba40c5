// The About box: its contents, its two links handed to the desktop, and the ways it closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/Sonvelia6.h"
#include "ui/help.h"

namespace {

struct RecordingDesktop {
    RecordingDesktop()
    {
        previous = help::SetOpener([this](const QString& target) {
            targets << target;
            return false;  // a failed link must change nothing
        });
    }
    ~RecordingDesktop() { help::SetOpener(previous); }
    QStringList targets;
    help::Opener previous;
};

}  // namespace

TEST(AboutBox, ShowsNameVersionDateMakerAndLinks)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("A propos"));
    EXPECT_EQ(box.size(), QSize(143, 172));
    EXPECT_EQ(box.Panel1->size(), QSize(129, 129));
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("sonvelia"));
    EXPECT_EQ(box.Label1->text(), QStringLiteral("v5.1"));
    EXPECT_FALSE(box.ReleaseLabel->text().isEmpty());
    EXPECT_FALSE(box.Label2->text().isEmpty());
    EXPECT_EQ(box.Label4->text(), QStringLiteral("@contact"));
    EXPECT_EQ(box.Label5->text(), QStringLiteral("Aide et mises à jour"));
    EXPECT_FALSE(box.Label3->text().isEmpty());
    for (QLabel* link : {box.Label3, box.Label4}) {
        EXPECT_TRUE(link->font().underline()) << link->objectName().toStdString();
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
    EXPECT_EQ(box.Label3->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
}

TEST(AboutBox, EveryTextFitsItsLabel)
{
    TAboutBox box;
    box.show();
    for (QLabel* label : box.Panel1->findChildren<QLabel*>()) {
        if (label == box.ProgramIcon)
            continue;
        const QSize need = label->fontMetrics().boundingRect(label->text()).size();
        EXPECT_LE(need.width(), label->width()) << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), box.Panel1->width() - 2) << label->text().toStdString();
        EXPECT_LE(label->geometry().bottom(), box.Panel1->height() - 2) << label->text().toStdString();
    }
}

TEST(AboutBox, LinksHandTheirTargetsToTheDesktop)
{
    RecordingDesktop desktop;
    TAboutBox box;
    box.show();
    QTest::mouseClick(box.Label4, Qt::LeftButton);
    QTest::mouseClick(box.Label3, Qt::LeftButton);
    QTest::mouseClick(box.Label5, Qt::LeftButton);  // plain text: no target
    ASSERT_EQ(desktop.targets.size(), 2);
    EXPECT_TRUE(desktop.targets[0].startsWith(QStringLiteral("mailto:")));
    EXPECT_TRUE(desktop.targets[0].endsWith(QStringLiteral("?subject=Sonvelia")));
    EXPECT_TRUE(desktop.targets[1].startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(desktop.targets[1].contains(box.Label3->text()));
    EXPECT_TRUE(help::WebHelpPage.startsWith(desktop.targets[1]));
    EXPECT_TRUE(box.isVisible());  // a link that fails has no visible effect
}

TEST(AboutBox, ClosesWithOkEnterAndTheWindowButton)
{
    enum class How { Ok, Enter, Close };
    const struct {
        How how;
        int result;
    } cases[] = {
        {How::Ok, QDialog::Accepted}, {How::Enter, QDialog::Accepted}, {How::Close, QDialog::Rejected}};
    for (const auto& c : cases) {
        TAboutBox box;
        QTimer::singleShot(0, [&] {
            switch (c.how) {
                case How::Ok:
                    QTest::mouseClick(box.OKButton, Qt::LeftButton);
                    break;
                case How::Enter:
                    QTest::keyClick(&box, Qt::Key_Return);
                    break;
                case How::Close:
                    box.close();
                    break;
            }
        });
        EXPECT_EQ(box.exec(), c.result) << int(c.how);
        EXPECT_FALSE(box.isVisible());
    }
}
