#include "controls/sort_grid.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace {

const QStringList headers{"Nr.",    "Name", "Fahrzeug", "Gruppe", "Zw.Zeit",
                          "Ø-km/h", "Vmax", "End-Zeit", "Zeit",   "Platz"};

// A protocol-like grid: ten columns, Nr. in column 0, names in column 1 and
// times in column 8.
void fillProtocol(TSortGrid& grid, const QList<QPair<QString, QString>>& nameAndTime) {
    SortGridData& data = grid.gridData();
    data.setColCount(10);
    data.setRowCount(int(nameAndTime.size()) + 1);
    for (int c = 0; c < 10; ++c) {
        data.setCell(c, 0, headers[c]);
    }
    for (int r = 0; r < nameAndTime.size(); ++r) {
        data.setCell(0, r + 1, QString::number(r + 1));
        data.setCell(1, r + 1, nameAndTime[r].first);
        data.setCell(8, r + 1, nameAndTime[r].second);
    }
    data.SortOptions().CanSort = true;
    data.SortOptions().SortStyle = ssNormal;
    data.SortOptions().SortCol = 8;
    data.SortOptions().SortDirection = sdAscending;
}

QStringList column(const SortGridData& data, int col) {
    QStringList texts;
    for (int row = 1; row < data.RowCount(); ++row) {
        texts.append(data.cell(col, row));
    }
    return texts;
}

QPoint headerPoint(const TSortGrid& grid, int col, int dx) {
    const QRect rect = grid.cellRect(col, 0);
    return QPoint(rect.left() + dx, rect.center().y());
}

QPoint middle(const TSortGrid& grid, int col, int row) {
    return grid.cellRect(col, row).center();
}

class Fixture {
public:
    Fixture() {
        grid.resize(900, 300);
        fillProtocol(grid, {{"Carl", "9,100"}, {"anna", "8,000"}, {"Bert", "10,500"}, {"Berta", "7,250"}});
        grid.show();
    }
    TSortGrid grid;
};

} // namespace

class TestSortGrid : public QObject {
    Q_OBJECT

private slots:
    void headerClickSequence() {
        Fixture f;
        QWidget* view = f.grid.viewport();
        const TSortOptions& options = f.grid.gridData().SortOptions();
        auto click = [&](int col, Qt::MouseButton button = Qt::LeftButton) {
            QTest::mouseClick(view, button, {}, headerPoint(f.grid, col, 30));
        };

        click(8); // the sorted ascending column: now descending
        QCOMPARE(options.SortDirection, sdDescending);
        QCOMPARE(column(f.grid.gridData(), 8), (QStringList{"9,100", "8,000", "7,250", "10,500"}));
        click(8);
        QCOMPARE(options.SortDirection, sdAscending);
        QCOMPARE(column(f.grid.gridData(), 8), (QStringList{"10,500", "7,250", "8,000", "9,100"}));
        click(1); // another column: ascending
        QCOMPARE(options.SortCol, 1);
        QCOMPARE(options.SortDirection, sdAscending);
        QCOMPARE(column(f.grid.gridData(), 1), (QStringList{"anna", "Bert", "Berta", "Carl"}));
        click(1, Qt::RightButton); // right button: always descending
        QCOMPARE(options.SortDirection, sdDescending);
        click(1, Qt::RightButton);
        QCOMPARE(options.SortDirection, sdDescending);
        click(8, Qt::RightButton);
        QCOMPARE(options.SortCol, 8);
        QCOMPARE(options.SortDirection, sdDescending);
        QCOMPARE(column(f.grid.gridData(), 8), (QStringList{"9,100", "8,000", "7,250", "10,500"}));
    }

    void clicksThatDoNotSort_data() {
        QTest::addColumn<int>("pressDx");
        QTest::addColumn<int>("releaseCol");
        QTest::addColumn<int>("releaseDx");
        QTest::addColumn<int>("releaseRow");
        QTest::addColumn<bool>("sorts");
        const int w = SortGridData::defaultColWidth;
        QTest::newRow("near the left border") << 2 << 1 << 2 << 0 << false;
        QTest::newRow("4 px from the left border") << 4 << 1 << 4 << 0 << false;
        QTest::newRow("5 px from the left border") << 5 << 1 << 5 << 0 << true;
        QTest::newRow("near the right border") << w - 3 << 1 << w - 3 << 0 << false;
        QTest::newRow("on the grid line") << w << 1 << w << 0 << false;
        QTest::newRow("released in another column") << 30 << 2 << 30 << 0 << false;
        QTest::newRow("released in a data row") << 30 << 1 << 30 << 1 << false;
        QTest::newRow("middle") << 30 << 1 << 30 << 0 << true;
    }
    void clicksThatDoNotSort() {
        QFETCH(int, pressDx);
        QFETCH(int, releaseCol);
        QFETCH(int, releaseDx);
        QFETCH(int, releaseRow);
        QFETCH(bool, sorts);
        Fixture f;
        const QStringList before = column(f.grid.gridData(), 1);
        QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 1, pressDx));
        const QRect target = f.grid.cellRect(releaseCol, releaseRow);
        QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {},
                            QPoint(target.left() + releaseDx, target.center().y()));
        QCOMPARE(f.grid.gridData().SortOptions().SortCol, sorts ? 1 : 8);
        QCOMPARE(column(f.grid.gridData(), 1) != before, sorts);
    }

    void noSortingWhileSortingIsOff() {
        Fixture f;
        f.grid.gridData().SortOptions().CanSort = false;
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 8, 30));
        QCOMPARE(f.grid.gridData().SortOptions().SortDirection, sdAscending);
        QCOMPARE(column(f.grid.gridData(), 8).first(), QStringLiteral("9,100"));
    }

    void doubleClickFitsColumn() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        const QFontMetrics metrics(f.grid.font());
        const int x = metrics.horizontalAdvance(QStringLiteral("X"));
        int dblClicks = 0;
        f.grid.OnDblClick = [&] { ++dblClicks; };

        // Right edge of "Name": the widest text wins.
        data.setCell(1, 4, QStringLiteral("Bertram-Wilhelmine"));
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 1, data.ColWidth(1) - 1));
        QCOMPARE(data.ColWidth(1), metrics.horizontalAdvance(QStringLiteral("Bertram-Wilhelmine")) + x);
        QCOMPARE(dblClicks, 1);

        // Left edge of "Platz" fits the previous column, the sorted "Zeit",
        // whose header counts 12 px wider for the arrow.
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 9, 1));
        QCOMPARE(data.ColWidth(8), std::max(metrics.horizontalAdvance(QStringLiteral("Zeit")) + 12,
                                            metrics.horizontalAdvance(QStringLiteral("10,500"))) +
                                       x);

        // An empty column.
        data.setCell(3, 0, QString());
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 3, data.ColWidth(3) - 1));
        QCOMPARE(data.ColWidth(3), metrics.horizontalAdvance(QStringLiteral("xx")));

        // 4 px from the border is too far for fitting.
        const int before = data.ColWidth(2);
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 2, before - 4));
        QCOMPARE(data.ColWidth(2), before);
        QCOMPARE(data.SortOptions().SortCol, 8); // neither click sorted
    }

    void doubleClickUnhidesHiddenColumn() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        data.setColWidth(4, -1);
        QVERIFY(f.grid.cellRect(4, 0).isNull());
        QCOMPARE(f.grid.cellRect(5, 0).left(), f.grid.cellRect(3, 0).right() + 2);
        QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, headerPoint(f.grid, 5, 1));
        const QFontMetrics metrics(f.grid.font());
        QCOMPARE(data.ColWidth(4),
                 metrics.horizontalAdvance(QStringLiteral("Zw.Zeit")) + metrics.horizontalAdvance(QStringLiteral("X")));
        QVERIFY(!f.grid.cellRect(4, 0).isNull());
    }

    void dragResizesColumn() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        f.grid.setOptions(f.grid.Options() | goColSizing);
        const QPoint border = headerPoint(f.grid, 2, data.ColWidth(2) - 1);
        QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, border);
        QMouseEvent move(QEvent::MouseMove, QPointF(border + QPoint(25, 0)), f.grid.viewport()->mapToGlobal(border),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.grid.viewport(), &move);
        QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, border + QPoint(25, 0));
        QCOMPARE(data.ColWidth(2), SortGridData::defaultColWidth + 25);
        QCOMPARE(data.SortOptions().SortCol, 8);
    }

    void typeToFind() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        data.SortOptions().SortCol = 1; // names: Carl, anna, Bert, Berta
        QList<QPoint> attempts;
        bool refuse = false;
        f.grid.OnSelectCell = [&](int col, int row, bool& canSelect) {
            attempts.append(QPoint(col, row));
            canSelect = !refuse;
        };
        data.moveCurrent(2, 3, false); // Bert
        QTest::keyClick(&f.grid, Qt::Key_B, Qt::NoModifier);
        QCOMPARE(data.Row(), 4); // Berta, below the current row
        QTest::keyClick(&f.grid, 'b');
        QCOMPARE(data.Row(), 3); // wrapped round from row 1
        QTest::keyClick(&f.grid, 'a');
        QCOMPARE(data.Row(), 2); // "anna": the first letter compared upper-cased
        QCOMPARE(attempts.last(), QPoint(2, 2));
        const int tries = int(attempts.size());
        QTest::keyClick(&f.grid, 'x');
        QCOMPARE(data.Row(), 2);
        QCOMPARE(attempts.size(), tries);

        refuse = true; // the owner only hears of the attempt
        QTest::keyClick(&f.grid, 'c');
        QCOMPARE(attempts.last(), QPoint(2, 1));
        QCOMPARE(data.Row(), 2);
    }

    void mouseSelectionAsksOwner() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        f.grid.setOptions(f.grid.Options() | goRowSelect);
        int rowSelected = 0;
        f.grid.OnRowSelected = [&] { ++rowSelected; };
        // The owner refuses column 8 and selects the row itself, as the main window does.
        f.grid.OnSelectCell = [&](int col, int row, bool& canSelect) {
            if (col == 8) {
                data.selectRow(row);
                canSelect = false;
            }
        };
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 1, 3));
        QCOMPARE(data.Row(), 3);
        QCOMPARE(data.Selection(), (TGridRect{0, 3, 9, 3}));
        QCOMPARE(rowSelected, 1);
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 8, 2));
        QCOMPARE(data.Row(), 2);
        QCOMPARE(rowSelected, 2);
        QTest::keyClick(&f.grid, Qt::Key_Down);
        QCOMPARE(data.Row(), 3);
    }

    void editing() {
        Fixture f;
        SortGridData& data = f.grid.gridData();
        f.grid.setOptions(f.grid.Options() | goEditing);
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 1, 2));
        QVERIFY(!f.grid.isEditing());
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 1, 2));
        QVERIFY(f.grid.isEditing());
        auto* editor = f.grid.findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("anna"));
        QTest::keyClicks(editor, "Zoe"); // replaces the selected text
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!f.grid.isEditing());
        QCOMPARE(data.cell(1, 2), QStringLiteral("Zoe"));

        // Typing starts the editor with the upper-cased key.
        data.moveCurrent(1, 3, false);
        QTest::keyClick(&f.grid, 'm');
        QVERIFY(f.grid.isEditing());
        QTest::keyClicks(editor, "ax");
        QTest::keyClick(editor, Qt::Key_Enter);
        QCOMPARE(data.cell(1, 3), QStringLiteral("Max"));

        // Escape leaves the cell as it was.
        QTest::keyClick(&f.grid, Qt::Key_F2);
        QTest::keyClicks(editor, "Moritz");
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(data.cell(1, 3), QStringLiteral("Max"));

        // A sort while typing stores the text in its own row first.
        QTest::keyClick(&f.grid, Qt::Key_F2);
        QTest::keyClicks(editor, "Ida");
        data.sortByColumn(8); // "Max" (10,500) moves to row 1
        QVERIFY(!f.grid.isEditing());
        QCOMPARE(data.cell(1, 1), QStringLiteral("Ida"));
        QCOMPARE(data.cell(8, 1), QStringLiteral("10,500"));

        // A key that opens the editor does not jump to another row's cell first.
        data.setCell(1, 4, QString());
        data.sortByColumn(1);
        data.moveCurrent(1, 1, false);
        QTest::keyClick(&f.grid, 'z');
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(column(data, 1), (QStringList{"Z", "Berta", "Ida", "Zoe"}));
    }

    void noEditingWithoutTheOption() {
        Fixture f;
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 1, 2));
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, middle(f.grid, 1, 2));
        QTest::keyClick(&f.grid, Qt::Key_F2);
        QVERIFY(!f.grid.isEditing());
    }

    void formatCallbackColoursCells() {
        Fixture f;
        f.grid.gridData().setColWidth(3, -1);
        f.grid.gridData().moveCurrent(0, 1, true);
        const QColor zeit(224, 255, 224);
        const QColor header(10, 20, 30);
        f.grid.OnGetCellFormat = [&](int col, int row, TGridDrawState state, TFormatOptions& format, bool&, bool&,
                                     bool&) {
            if (row == 0 && col == 2) {
                format.Brush = header;
            } else if (row > 0 && row != f.grid.gridData().Row() && col == 4) {
                QVERIFY(!(state & gdFixed));
                format.Brush = zeit;
            }
        };
        const QImage image = f.grid.viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(middle(f.grid, 4, 2)), zeit);
        QCOMPARE(image.pixelColor(middle(f.grid, 2, 0) + QPoint(0, 5)), header);
        // The current row keeps the selection colour.
        QCOMPARE(image.pixelColor(middle(f.grid, 4, 1)), f.grid.palette().highlight().color());
        // Column 4 starts where the hidden column 3 would have been.
        QCOMPARE(f.grid.cellRect(4, 2).left(), f.grid.cellRect(2, 2).right() + 2);
        int col = -1;
        int row = -1;
        QVERIFY(f.grid.mouseToCell(f.grid.cellRect(4, 2).topLeft(), &col, &row));
        QCOMPARE(col, 4);
        QCOMPARE(row, 2);
    }

    void textPlacement_data() {
        QTest::addColumn<int>("horz");
        QTest::addColumn<int>("vert");
        QTest::newRow("left top") << int(taLeftJustify) << int(taTopJustify);
        QTest::newRow("right bottom") << int(taRightJustify) << int(taBottomJustify);
        QTest::newRow("centre middle") << int(taCenter) << int(taMiddle);
    }
    void textPlacement() {
        QFETCH(int, horz);
        QFETCH(int, vert);
        Fixture f;
        f.grid.gridData().setCell(5, 2, QStringLiteral("IIII"));
        f.grid.gridData().setColWidth(5, 80);
        f.grid.setDefaultRowHeight(30);
        f.grid.OnGetCellFormat = [&](int, int, TGridDrawState, TFormatOptions& format, bool&, bool&, bool&) {
            format.Brush = QColor(Qt::white);
            format.FontColor = QColor(Qt::black);
            format.AlignmentHorz = TAlignment(horz);
            format.AlignmentVert = TVerticalAlignment(vert);
        };
        const QRect rect = f.grid.cellRect(5, 2);
        const QImage image = f.grid.viewport()->grab().toImage();
        QRect ink;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    ink |= QRect(x, y, 1, 1);
                }
            }
        }
        QVERIFY(!ink.isEmpty());
        const QFontMetrics metrics(f.grid.font());
        // Glyph ink sits within the advance, so allow its side bearings.
        switch (TAlignment(horz)) {
        case taLeftJustify:
            QVERIFY2(ink.left() >= rect.left() + 2 && ink.left() <= rect.left() + 5,
                     qPrintable(QString::number(ink.left() - rect.left())));
            break;
        case taRightJustify:
            QVERIFY2(ink.right() <= rect.right() - 2 && ink.right() >= rect.right() - 6,
                     qPrintable(QString::number(rect.right() - ink.right())));
            break;
        case taCenter:
            QVERIFY(qAbs(ink.center().x() - rect.center().x()) <= 2);
            break;
        }
        switch (TVerticalAlignment(vert)) {
        case taTopJustify:
            QVERIFY(ink.top() >= rect.top() + 2 && ink.top() <= rect.top() + 2 + metrics.ascent());
            break;
        case taBottomJustify:
            QVERIFY(ink.bottom() <= rect.bottom() - 3);
            QVERIFY(ink.bottom() >= rect.bottom() - 3 - metrics.descent() - 1);
            break;
        case taMiddle:
            QVERIFY(ink.top() > rect.top() + 2 && ink.bottom() < rect.bottom() - 3);
            break;
        }
    }

    void sortArrowInSortedHeader() {
        Fixture f;
        f.grid.gridData().setCell(6, 0, QString()); // nothing drawn where the arrow would be
        const QImage image = f.grid.viewport()->grab().toImage();
        const QRect sorted = f.grid.cellRect(8, 0);
        const QRect other = f.grid.cellRect(6, 0);
        const int y = sorted.top() + (sorted.height() - 7) / 2 + 4; // inside the UP arrow
        QVERIFY(qGray(image.pixel(sorted.left() + 3 + 3, y)) < 100);
        QVERIFY(qGray(image.pixel(other.left() + 3 + 3, y)) > 150);
    }

    void popupMenuInDataRows() {
        Fixture f;
        QMenu menu;
        menu.addAction(QStringLiteral("Zeile entfernen"));
        f.grid.setPopupMenu(&menu);
        QTest::mouseClick(f.grid.viewport(), Qt::RightButton, {}, headerPoint(f.grid, 1, 30));
        QVERIFY(!menu.isVisible());
        QTest::mouseClick(f.grid.viewport(), Qt::RightButton, {}, middle(f.grid, 1, 2));
        QVERIFY(menu.isVisible());
        QCOMPARE(f.grid.gridData().Row(), 2); // the menu acts on the row pointed at
        menu.hide();
    }
};

QTEST_MAIN(TestSortGrid)
#include "test_sort_grid.moc"
