#include "controls/goodtable.h"
#include "tests/support/qtapp.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown table of a text, a check-box and a second text column.
struct TableFixture : TQtApp, ::testing::Test {
    void SetUp() override
    {
        TestApp();
        table.setObjectName("JournalTable");
        table.resize(400, 17 * 12 + 4);
        table.SetItems({"Дата", "Флаг", "Событие"});
        table.SetWidths(0, 120);
        table.SetWidths(1, 60);
        table.SetWidths(2, 150);
        table.SetColTypes(1, ctCheckBox);
        table.OnChange = [this](QWidget*) { ++changes; };
        table.OnSelChange = [this](QWidget*) { ++selChanges; };
        table.show();
        QApplication::setActiveWindow(&table);
        table.setFocus();
    }
    void Fill(int rows)
    {
        table.SetRowCount(rows);
        for (int r = 0; r < rows; ++r) {
            table.SetCells(r, 0, QString::number(r));
            table.SetCells(r, 2, QStringLiteral("строка %1").arg(r));
        }
    }
    void Select(int row, int col)
    {
        table.SetRow(row);
        table.SetCol(col);
    }
    QRgb Pixel(const QPoint& point) { return table.viewport()->grab().toImage().pixel(point) | 0xFF000000u; }
    QRgb Color(QPalette::ColorRole role) const { return table.palette().color(role).rgb(); }

    TGoodTable table;
    int changes = 0;
    int selChanges = 0;
};

} // namespace

TEST_F(TableFixture, Cells_KeepTextPerCellThroughColumnChanges)
{
    table.SetRowCount(3);
    table.SetCells(1, 2, "третья");
    table.SetCells(1, 0, "first");
    table.SetCells(1, 1, "");
    table.SetCells(1, 0, "1");
    EXPECT_EQ(table.Cells(1, 0), "1");
    EXPECT_EQ(table.Cells(1, 1), "");
    EXPECT_EQ(table.Cells(1, 2), "третья");
    EXPECT_EQ(table.Cells(0, 2), "");
    table.SetColCount(5);
    EXPECT_EQ(table.Cells(1, 2), "третья");
    EXPECT_EQ(table.Cells(1, 4), "");
    table.SetCells(1, 4, "пятая");
    table.SetColCount(2);
    table.SetColCount(5);
    EXPECT_EQ(table.Cells(1, 0), "1");
    EXPECT_EQ(table.Cells(1, 2), "");
    EXPECT_EQ(table.Cells(1, 4), "");
    // Outside the table nothing is stored and nothing breaks.
    table.SetCells(7, 0, "x");
    table.SetCellsChecked(-1, 0, true);
    EXPECT_EQ(table.Cells(7, 0), "");
    EXPECT_FALSE(table.CellsChecked(0, 9));
}

TEST_F(TableFixture, CheckAndColour_StoredPerCell)
{
    table.SetRowCount(2);
    table.SetCellsChecked(1, 1, true);
    table.SetCellsTextColor(0, 2, Qt::red);
    EXPECT_TRUE(table.CellsChecked(1, 1));
    EXPECT_FALSE(table.CellsChecked(0, 1));
    EXPECT_EQ(table.CellsTextColor(0, 2), QColor(Qt::red));
    EXPECT_EQ(table.CellsTextColor(1, 2), QColor(Qt::black));
    EXPECT_EQ(table.Captions(1), "Флаг");
    EXPECT_EQ(table.Header()->count(), 3);
}

TEST_F(TableFixture, NoRows_PaintsLightAreaAndKeysDoNothing)
{
    const QPoint cell(10, 17 + 5);
    EXPECT_EQ(Pixel(cell), Color(QPalette::Midlight));
    EXPECT_EQ(Pixel(QPoint(10, 17 + 16)), qRgb(192, 192, 192));
    EXPECT_EQ(Pixel(QPoint(119, 17 + 5)), qRgb(192, 192, 192));
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End,
                        Qt::Key_F2, Qt::Key_Return, Qt::Key_A, Qt::Key_Space})
        QTest::keyClick(&table, key);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(table.Row(), -1);
    EXPECT_FALSE(table.EditorVisible());
    EXPECT_EQ(changes, 0);
}

TEST_F(TableFixture, RowCountLoweredBelowRow_SelectsNewLastRow)
{
    Fill(50);
    Select(40, 0);
    table.SetRowCount(10);
    EXPECT_EQ(table.Row(), 9);
    table.SetRowCount(0);
    EXPECT_EQ(table.Row(), -1);
}

TEST_F(TableFixture, PageKeys_StopAtTheEnds)
{
    Fill(100);
    const int page = std::max(1, table.viewport()->height() / 17 - 2);
    struct Case {
        int from;
        Qt::Key key;
        int to;
    } const cases[] = {
        {98, Qt::Key_PageDown, 99}, {50, Qt::Key_PageDown, 50 + page},
        {1, Qt::Key_PageUp, 0},     {50, Qt::Key_PageUp, 50 - page},
        {30, Qt::Key_End, 99},      {30, Qt::Key_Home, 0},
        {99, Qt::Key_Down, 99},     {0, Qt::Key_Up, 0},
    };
    for (const Case& c : cases) {
        Select(c.from, 0);
        QTest::keyClick(&table, c.key);
        EXPECT_EQ(table.Row(), c.to) << "from " << c.from << " key " << c.key;
        const QRect cell = table.GetCellRect(table.Row(), 0);
        EXPECT_GE(cell.top(), 17);
        EXPECT_LE(cell.bottom(), table.viewport()->height());
    }
}

TEST_F(TableFixture, Selection_BroughtIntoViewHorizontally)
{
    table.resize(200, 200);
    Fill(3);
    Select(0, 2);
    const QRect cell = table.GetCellRect(0, 2);
    EXPECT_LE(cell.right() + 1, table.viewport()->width());
    EXPECT_GT(table.ScrollState().HorzPos(), 0);
    EXPECT_EQ(table.Header()->x(), -table.ScrollState().HorzPos());
    Select(0, 0);
    EXPECT_EQ(table.ScrollState().HorzPos(), 0);
}

TEST_F(TableFixture, Typing_StartsAnEditWrittenAtOnce)
{
    Fill(5);
    Select(2, 2);
    selChanges = 0;
    QTest::keyClicks(&table, "x");
    ASSERT_TRUE(table.EditorVisible());
    QTest::keyClicks(table.Editor(), "yz");
    EXPECT_EQ(table.Cells(2, 2), "xyz");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(table.Editor()->geometry(), table.GetCellRect(2, 2));
    QTest::keyClick(table.Editor(), Qt::Key_Escape);
    EXPECT_FALSE(table.EditorVisible());
    EXPECT_EQ(table.Cells(2, 2), "xyz");
    EXPECT_TRUE(table.hasFocus());
    QTest::keyClick(&table, Qt::Key_F2);
    ASSERT_TRUE(table.EditorVisible());
    EXPECT_EQ(table.Editor()->text(), "xyz");
    QTest::keyClick(table.Editor(), Qt::Key_Down);
    EXPECT_FALSE(table.EditorVisible());
    EXPECT_EQ(table.Row(), 3);
    EXPECT_EQ(selChanges, 1);
}

TEST_F(TableFixture, ReadOnlyColumn_RefusesTypingAndBlank)
{
    Fill(5);
    table.SetColReadOnly(1, true);
    table.SetColReadOnly(2, true);
    Select(1, 2);
    QTest::keyClicks(&table, "a");
    EXPECT_FALSE(table.EditorVisible());
    Select(1, 1);
    QTest::keyClick(&table, Qt::Key_Space);
    QTest::keyClick(&table, Qt::Key_Return);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {},
                      TGoodTable::CheckBoxRect(table.GetCellRect(1, 1)).center());
    EXPECT_FALSE(table.CellsChecked(1, 1));
    EXPECT_EQ(changes, 0);
    // The whole table read-only refuses as well.
    table.SetColReadOnly(2, false);
    table.SetReadOnly(true);
    Select(1, 2);
    QTest::keyClick(&table, Qt::Key_F2);
    EXPECT_FALSE(table.EditorVisible());
}

TEST_F(TableFixture, CheckBoxClick_TogglesOnlyInsideTheBox)
{
    Fill(5);
    const QRect cell = table.GetCellRect(3, 1);
    const QRect box = TGoodTable::CheckBoxRect(cell);
    EXPECT_EQ(box.size(), QSize(13, 13));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 2, cell.center().y()));
    EXPECT_EQ(table.Row(), 3);
    EXPECT_EQ(table.Col(), 1);
    EXPECT_FALSE(table.CellsChecked(3, 1));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(table.CellsChecked(3, 1));
    EXPECT_EQ(changes, 1);
    QTest::keyClick(&table, Qt::Key_Space);
    EXPECT_FALSE(table.CellsChecked(3, 1));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(table.EditorVisible());
}

TEST_F(TableFixture, ClickInSelectedTextCell_OpensEditor)
{
    Fill(5);
    const QPoint point = table.GetCellRect(1, 0).center();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, point);
    EXPECT_FALSE(table.EditorVisible());
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, point);
    EXPECT_TRUE(table.EditorVisible());
    // Any other selection closes it.
    table.SetRow(2);
    EXPECT_FALSE(table.EditorVisible());

    // A selected row scrolled half out of view at the bottom edits that row.
    Fill(30);
    table.resize(table.width(), table.height() + 8);
    Select(11, 0);
    table.verticalScrollBar()->setValue(0);
    const QPoint half(table.GetCellRect(11, 0).center().x(), table.viewport()->height() - 3);
    ASSERT_TRUE(table.GetCellRect(11, 0).contains(half));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, half);
    EXPECT_EQ(table.Row(), 11);
    EXPECT_TRUE(table.EditorVisible());
    EXPECT_EQ(table.Editor()->geometry(), table.GetCellRect(11, 0));
}

TEST_F(TableFixture, ColumnResizeWithEditorOpen_ClosesAndKeepsText)
{
    Fill(5);
    Select(0, 0);
    QTest::keyClicks(&table, "1");
    ASSERT_TRUE(table.EditorVisible());
    QTest::keyClicks(table.Editor(), "2");
    table.SetWidths(0, 80);
    EXPECT_FALSE(table.EditorVisible());
    EXPECT_EQ(table.Cells(0, 0), "12");
    EXPECT_EQ(table.GetCellRect(0, 1).left(), 80);
}

TEST_F(TableFixture, DragAndWheel_MoveTheSelection)
{
    Fill(100);
    QTest::mousePress(table.viewport(), Qt::LeftButton, {}, table.GetCellRect(0, 0).center());
    QTest::mouseMove(table.viewport(), table.GetCellRect(4, 2).center());
    QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, table.GetCellRect(4, 2).center());
    EXPECT_EQ(table.Row(), 4);
    EXPECT_EQ(table.Col(), 2);

    QWheelEvent towards(QPointF(50, 50), table.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120),
                        Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table.viewport(), &towards);
    EXPECT_EQ(table.Row(), 5);
    EXPECT_EQ(table.ScrollState().VertPos(), 1);
    QWheelEvent away(QPointF(50, 50), table.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120), Qt::NoButton,
                     {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table.viewport(), &away);
    EXPECT_EQ(table.Row(), 4);
    EXPECT_EQ(table.ScrollState().VertPos(), 0);
}

TEST_F(TableFixture, ScrollLayout_PagesAndMaxima)
{
    Fill(100);
    const TScrolls& scrolls = table.ScrollState();
    const int visible = (table.viewport()->height() - 17) / 17;
    EXPECT_EQ(scrolls.VertMax, 100 - visible);
    EXPECT_EQ(scrolls.VertPage, std::max(1, visible - 1));
    EXPECT_EQ(scrolls.HorzMax, std::max(0, 330 - table.viewport()->width()));
    table.verticalScrollBar()->setValue(1000);
    EXPECT_EQ(scrolls.VertPos(), scrolls.VertMax);
    EXPECT_EQ(table.GetCellRect(scrolls.VertMax, 0).top(), 17);
}

TEST_F(TableFixture, SelectedCell_PaintedInHighlight)
{
    Fill(5);
    Select(1, 2);
    const QRect cell = table.GetCellRect(1, 2);
    EXPECT_EQ(Pixel(QPoint(cell.right() - 1, cell.top() + 1)), Color(QPalette::Highlight));
    EXPECT_EQ(Pixel(QPoint(cell.right() - 1, cell.top() + 1 + 17)), Color(QPalette::Base));
    table.SetColReadOnly(2, true);
    table.viewport()->update();
    EXPECT_EQ(Pixel(QPoint(cell.right() - 1, cell.top() + 1 + 17)), Color(QPalette::Midlight));
}
