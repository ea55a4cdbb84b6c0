// The information window's controls, and the maker's link opened through the injected opener.

#include "dialogs/form_info.h"

#include "dialogs/dialog_artwork.h"
#include "platform/desktop_opener.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace

TFormInfo::TFormInfo(const QString& applicationTitle, const QIcon& applicationIcon, UrlOpener openUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      Image1(new QLabel(this)), Label1(new QLabel(applicationTitle, this)),
      LabelVer(new QLabel(QStringLiteral("Version 2.1 (09.02.2013)"), this)), Panel1(new QFrame(this)),
      ImageICON(new QLabel(Panel1)), sOK(new QPushButton(QStringLiteral("Einverstanden"), this)), Lab(new QLabel(this)),
      Label2(new QLabel(QStringLiteral("www.quillmere.de/kontakt"), this)), m_openUrl(std::move(openUrl)) {
    if (!m_openUrl)
        m_openUrl = desktopUrlOpener(applicationTitle);

    setWindowTitle(QStringLiteral("Information"));
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);
    setFixedSize(256, 361);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(silver);
    setAutoFillBackground(true);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 240, 140);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(makerLogoPixmap());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(12, 160, 42, 42);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    ImageICON->setObjectName(QStringLiteral("ImageICON"));
    ImageICON->setGeometry(5, 5, 32, 32);
    ImageICON->setPixmap(applicationIcon.pixmap(32, 32));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(60, 158, 184, 24);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    titleFont.setUnderline(true);
    Label1->setFont(titleFont);
    setTextColour(Label1, QColor(0x80, 0x00, 0x00));

    LabelVer->setObjectName(QStringLiteral("LabelVer"));
    LabelVer->setGeometry(60, 184, 184, 18);
    LabelVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Lab->setObjectName(QStringLiteral("Lab"));
    Lab->setGeometry(4, 212, 248, 56);
    Lab->setAlignment(Qt::AlignCenter);
    Lab->setWordWrap(true);
    Lab->setText(
        QStringLiteral("Lob und Kritik, Verbesserungsvorschläge,\nFragen und Bestellungen bitte schriftlich über"));

    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(4, 270, 248, 20);
    Label2->setAlignment(Qt::AlignCenter);
    QFont linkFont = Label2->font();
    linkFont.setUnderline(true);
    Label2->setFont(linkFont);
    setTextColour(Label2, QColor(0x00, 0x00, 0xFF));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);

    sOK->setObjectName(QStringLiteral("sOK"));
    sOK->setGeometry(63, 318, 130, 30);
    QFont buttonFont = sOK->font();
    buttonFont.setBold(true);
    sOK->setFont(buttonFont);
    sOK->setDefault(true);
    connect(sOK, &QPushButton::clicked, this, &TFormInfo::sOKClick);
}

QUrl TFormInfo::contactPage() {
    return QUrl(QStringLiteral("https://www.quillmere.de/kontakt/"));
}

void TFormInfo::sOKClick() {
    close();
}

void TFormInfo::Image1Click() {
    // A desktop without a browser leaves the window open and says nothing.
    m_openUrl(contactPage());
}

bool TFormInfo::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Image1 || watched == Label2) && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            Image1Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
