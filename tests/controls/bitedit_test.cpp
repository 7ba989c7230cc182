#include "controls/biteditlistbox.h"
#include "tests/support/qtapp.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

struct BitEditFixture : TQtApp, ::testing::Test {
    void SetUp() override
    {
        TestApp();
        edit.setObjectName("edit");
        edit.resize(200, 200);
        edit.OnChange = [this](QWidget*) { ++changes; };
        edit.show();
        QApplication::setActiveWindow(&edit);
        edit.setFocus();
    }
    QPoint CellCenter(int index) const { return edit.GetBitRect(index).center(); }

    TBitEditListBox edit;
    int changes = 0;
};

QStringList Names(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("Бит %1").arg(i);
    return names;
}

} // namespace

TEST(BitEditSymbols, FirstBitSym_DigitsJumpToLettersAfterNine)
{
    TestApp();
    struct Case {
        char first;
        int count;
        const char* symbols;
    } const cases[] = {
        {'0', 16, "0123456789ABCDEF"},
        {'1', 12, "123456789ABC"},
        {'A', 12, "ABCDEFGHIJKL"},
        {'5', 6, "56789A"},
    };
    for (const Case& c : cases) {
        TBitEditListBox edit;
        edit.SetItems(Names(c.count));
        edit.SetFirstBitSym(c.first);
        QString symbols;
        for (int i = 0; i < c.count; ++i)
            symbols += edit.BitSymbol(i);
        EXPECT_EQ(symbols.toStdString(), c.symbols) << "first " << c.first;
    }
}

TEST(BitEditFlags, BitFlags_MaskedToItemCount)
{
    TestApp();
    struct Case {
        int count;
        int32_t set;
        int32_t read;
    } const cases[] = {
        {8, 0xFFFF, 0xFF}, {3, 0x7F, 0x7}, {0, 0x1, 0}, {32, -1, -1}, {40, -1, -1},
    };
    for (const Case& c : cases) {
        TBitEditListBox edit;
        edit.SetItems(Names(c.count));
        edit.SetBitFlags(c.set);
        EXPECT_EQ(edit.BitFlags(), c.read) << c.count << " items";
    }
}

TEST_F(BitEditFixture, SetBitFlags_OnChangeOnlyWhenDifferent)
{
    edit.SetBitFlags(0x5);
    edit.SetBitFlags(0x5);
    EXPECT_EQ(changes, 1);
    edit.SetBitFlags(0);
    EXPECT_EQ(changes, 2);
    // Bits beyond 31 do not exist: toggling one changes nothing.
    edit.ChangeBitFlag(40);
    EXPECT_EQ(changes, 2);
}

TEST_F(BitEditFixture, ClickAndSpace_ToggleTheBitAndCallOnChange)
{
    QTest::mouseClick(&edit, Qt::LeftButton, {}, CellCenter(3));
    EXPECT_EQ(edit.SelectedItem(), 3);
    EXPECT_EQ(edit.BitFlags(), 0x8);
    EXPECT_EQ(changes, 1);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Space);
    EXPECT_EQ(edit.SelectedItem(), 4);
    EXPECT_EQ(edit.BitFlags(), 0x18);
    EXPECT_EQ(changes, 2);
}

TEST_F(BitEditFixture, ReadOnly_MovesSelectionButNeverChanges)
{
    edit.SetReadOnly(true);
    QTest::mouseClick(&edit, Qt::LeftButton, {}, CellCenter(5));
    EXPECT_EQ(edit.SelectedItem(), 5);
    QTest::keyClick(&edit, Qt::Key_Space);
    QTest::keyClick(&edit, Qt::Key_Up);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.SelectedItem(), 3);
    EXPECT_EQ(edit.BitFlags(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(BitEditFixture, ArrowKeys_StopAtTheEnds)
{
    edit.SetSelectedItem(0);
    QTest::keyClick(&edit, Qt::Key_Left);
    EXPECT_EQ(edit.SelectedItem(), 0);
    edit.SetSelectedItem(7);
    QTest::keyClick(&edit, Qt::Key_Right);
    EXPECT_EQ(edit.SelectedItem(), 7);
}

TEST_F(BitEditFixture, ListTitleClick_SelectsWithoutToggling)
{
    const QRect title = edit.GetTitleRect(6);
    ASSERT_FALSE(title.isEmpty());
    QTest::mouseClick(&edit, Qt::LeftButton, {}, title.center());
    EXPECT_EQ(edit.SelectedItem(), 6);
    EXPECT_EQ(edit.BitFlags(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(BitEditFixture, FocusEvents_CalledAndFocusedTracked)
{
    int setFocus = 0, killFocus = 0;
    edit.OnSetFocus = [&](QWidget*) { ++setFocus; };
    edit.OnKillFocus = [&](QWidget*) { ++killFocus; };
    edit.clearFocus();
    EXPECT_EQ(killFocus, 1);
    EXPECT_FALSE(edit.Focused());
    edit.setFocus();
    EXPECT_EQ(setFocus, 1);
    EXPECT_TRUE(edit.Focused());
}

TEST_F(BitEditFixture, SetBit_PaintedInSelectColorOnWhite)
{
    edit.SetBitSelectColor(QColor(200, 0, 0));
    edit.SetBitFlags(0x2);
    const QImage image = edit.grab().toImage();
    // A point inside the cell, off the outline and the symbol.
    const QRect set = edit.GetBitRect(1);
    const QRect clear = edit.GetBitRect(2);
    const QPoint inside(2, set.height() - 3);
    EXPECT_EQ(QColor(image.pixel(set.topLeft() + inside)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(image.pixel(clear.topLeft() + inside)), QColor(Qt::white));
    // The outline of a set cell shows inverted.
    EXPECT_EQ(QColor(image.pixel(set.topLeft() + QPoint(1, 1))), QColor(55, 255, 255));
}

TEST_F(BitEditFixture, Inverted_ReversesTheCellOrder)
{
    edit.SetInverted(true);
    EXPECT_GT(edit.GetBitRect(0).top(), edit.GetBitRect(7).top());
    QTest::mouseClick(&edit, Qt::LeftButton, {}, QPoint(edit.GetBitRect(0).center().x(), 4));
    EXPECT_EQ(edit.BitFlags(), 0x80);
}
