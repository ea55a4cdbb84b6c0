#include "dialogs/form_info.h"

#include "dialogs/dialog_artwork.h"

#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct Opener {
    QList<QUrl> opened;
    TFormInfo::UrlOpener function() {
        return [this](const QUrl& url) { opened.append(url); };
    }
};

} // namespace

class TestFormInfo : public QObject {
    Q_OBJECT

private slots:
    void windowHasNoTitleBarButtons() {
        Opener opener;
        TFormInfo form(QStringLiteral("Tarvolt"), tarvoltApplicationIcon(), opener.function());
        QCOMPARE(form.windowTitle(), QStringLiteral("Information"));
        QCOMPARE(form.size(), QSize(256, 361));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    }

    void showsTexts() {
        Opener opener;
        TFormInfo form(QStringLiteral("Bergrennen"), tarvoltApplicationIcon(), opener.function());
        QCOMPARE(form.Label1->text(), QStringLiteral("Bergrennen"));
        QVERIFY(form.Label1->alignment() & Qt::AlignRight);
        QCOMPARE(form.Label1->font().pixelSize(), 16);
        QVERIFY(form.Label1->font().bold());
        QVERIFY(form.Label1->font().underline());
        QCOMPARE(form.Label1->palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x00));
        QCOMPARE(form.LabelVer->text(), QStringLiteral("Version 2.1 (09.02.2013)"));
        QVERIFY(form.LabelVer->alignment() & Qt::AlignRight);
        QCOMPARE(
            form.Lab->text(),
            QStringLiteral("Lob und Kritik, Verbesserungsvorschläge,\nFragen und Bestellungen bitte schriftlich über"));
        QVERIFY(form.Lab->alignment() & Qt::AlignHCenter);
        QVERIFY(form.Lab->wordWrap());
        QVERIFY(form.Label2->font().underline());
        QCOMPARE(form.Label2->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(form.Label2->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.Image1->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(form.Label2->geometry().top() >= form.Lab->geometry().bottom());
        QCOMPARE(form.sOK->text(), QStringLiteral("Einverstanden"));
        QVERIFY(form.sOK->font().bold());
        QCOMPARE(form.Panel1->frameShadow(), QFrame::Sunken);
    }

    void picturesLoaded() {
        QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
        Opener opener;
        TFormInfo form(QStringLiteral("Tarvolt"), tarvoltApplicationIcon(), opener.function());
        QVERIFY(!form.Image1->pixmap().isNull());
        QCOMPARE(form.Image1->pixmap().size(), QSize(240, 140));
        const QPixmap icon = form.ImageICON->pixmap();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.deviceIndependentSize().toSize(), QSize(32, 32));
        QCOMPARE(form.ImageICON->parentWidget(), form.Panel1);
    }

    void clicksOpenContactPage_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("opened");
        QTest::newRow("logo") << QStringLiteral("Image1") << 1;
        QTest::newRow("link") << QStringLiteral("Label2") << 1;
        QTest::newRow("title") << QStringLiteral("Label1") << 0;
        QTest::newRow("feedback text") << QStringLiteral("Lab") << 0;
    }
    void clicksOpenContactPage() {
        QFETCH(QString, control);
        QFETCH(int, opened);
        Opener opener;
        TFormInfo form(QStringLiteral("Tarvolt"), tarvoltApplicationIcon(), opener.function());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* label = form.findChild<QLabel*>(control);
        QVERIFY(label);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(opener.opened.size(), opened);
        if (opened > 0)
            QCOMPARE(opener.opened.first(), TFormInfo::contactPage());
        // A right click does not open it.
        QTest::mouseClick(label, Qt::RightButton);
        QCOMPARE(opener.opened.size(), opened);
        QVERIFY(form.isVisible());
    }

    void closes_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Einverstanden") << false;
        QTest::newRow("Esc") << true;
    }
    void closes() {
        QFETCH(bool, escape);
        Opener opener;
        TFormInfo form(QStringLiteral("Tarvolt"), tarvoltApplicationIcon(), opener.function());
        bool closedByUs = false;
        QTimer::singleShot(0, &form, [&] {
            if (!QTest::qWaitForWindowActive(&form))
                return;
            if (escape)
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                QTest::mouseClick(form.sOK, Qt::LeftButton);
            closedByUs = !form.isVisible();
        });
        QTimer::singleShot(5000, &form, [&] { form.done(-1); });
        form.exec();
        QVERIFY(closedByUs);
        QVERIFY(!form.isVisible());
        QVERIFY(opener.opened.isEmpty());
    }
};

QTEST_MAIN(TestFormInfo)
#include "test_form_info.moc"
