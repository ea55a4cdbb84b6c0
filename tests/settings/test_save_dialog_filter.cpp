#include "settings/save_dialog_filter.h"

#include <QTest>

class TestSaveDialogFilter : public QObject {
    Q_OBJECT

private slots:
    void composesFromOpenFilterAndTypeNames_data() {
        QTest::addColumn<FileTypeNames>("names");
        QTest::addColumn<QString>("expected");
        QTest::newRow("built-in names") << FileTypeNames{}
                                        << "Textdatei (*.txt)|*.txt|MS Excel (*.xlsx)|*.xlsx|MS Word (*.docx)|*.docx|"
                                           "Webseite (*.html)|*.html";
        QTest::newRow("names from the MIME database")
            << FileTypeNames{"Word-2007-Dokument", "HTML-Dokument"}
            << "Textdatei (*.txt)|*.txt|MS Excel (*.xlsx)|*.xlsx|Word-2007-Dokument (*.docx)|*.docx|"
               "HTML-Dokument (*.html)|*.html";
    }
    void composesFromOpenFilterAndTypeNames() {
        QFETCH(FileTypeNames, names);
        QFETCH(QString, expected);
        QCOMPARE(saveDialogFilter(openDialogFilter(), names), expected);
    }

    // The open dialog offers the semicolon start list and every file, in German.
    void openTypes() {
        QCOMPARE(nameFiltersOf(openDialogFilter()),
                 (QStringList{"Textdatei (*.txt *.csv)", "MS Excel (*.xlsx *.xls)", "Alle Dateien (*)"}));
    }

    void nameFiltersKeepIndexNumbering() {
        const QStringList filters = nameFiltersOf(saveDialogFilter(openDialogFilter(), FileTypeNames{}));
        QCOMPARE(filters,
                 (QStringList{"Textdatei (*.txt)", "MS Excel (*.xlsx)", "MS Word (*.docx)", "Webseite (*.html)"}));
        for (int index = 1; index <= 4; ++index)
            QCOMPARE(filterIndexOf(filters, nameFilterForIndex(filters, index)), index);
        QCOMPARE(nameFilterForIndex(filters, 3), QString("MS Word (*.docx)"));
        QCOMPARE(nameFilterForIndex(filters, 0), filters.first());
        QCOMPARE(nameFilterForIndex(filters, 5), filters.first());
        QCOMPARE(filterIndexOf(filters, "PDF (*.pdf)"), 0);
    }

    void nameWithoutPatternsGetsThem_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no parentheses") << "Texte|*.txt" << QStringList{"Texte (*.txt)"};
        QTest::newRow("other parentheses") << "Web (neu)|*.html" << QStringList{"Web (neu) (*.html)"};
        QTest::newRow("empty type name") << " (*.docx)|*.docx" << QStringList{" (*.docx)"};
        QTest::newRow("dangling name") << "Texte|*.txt|Rest" << QStringList{"Texte (*.txt)"};
    }
    void nameWithoutPatternsGetsThem() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(nameFiltersOf(filter), expected);
    }
};

QTEST_GUILESS_MAIN(TestSaveDialogFilter)
#include "test_save_dialog_filter.moc"
