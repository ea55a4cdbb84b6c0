// The information window: the program's title, version and icon, and the maker's link.

#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The information window: program title, version and icon, and a link to the
// maker's contact page. Its title bar has no buttons; "Einverstanden" and Esc
// close it. Opening the page goes through the injected opener, which tells the
// official when nothing could open it. GUI thread only.
class TFormInfo : public QDialog {
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    // An empty `openUrl` asks the desktop (desktopUrlOpener).
    TFormInfo(const QString& applicationTitle, const QIcon& applicationIcon, UrlOpener openUrl = {},
              QWidget* parent = nullptr);

    static QUrl contactPage();

    QLabel* const Image1;
    QLabel* const Label1;
    QLabel* const LabelVer;
    QFrame* const Panel1;
    QLabel* const ImageICON;
    QPushButton* const sOK;
    QLabel* const Lab;
    QLabel* const Label2;

public slots:
    void sOKClick();
    // Shared by the logo and the link.
    void Image1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UrlOpener m_openUrl;
};
