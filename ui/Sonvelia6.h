#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// "A propos": the program's name, version, release date and maker, with the maker's contact
// and web links.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    static constexpr int ClientWidth = 143;   // px
    static constexpr int ClientHeight = 172;  // px

    static const QString ReleaseDate;
    static const QString MakerName;
    static const QString WebSiteText;  // the address as Label3 shows it

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Label1;
    QLabel* ReleaseLabel;
    QLabel* Label2;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label3;
    QPushButton* OKButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    void Label3Click();
    void Label4Click();
};
