// Presses go through the window system here, so that the drop-down behaves as
// a real pop-up: a press outside it reaches the pop-up first.
#define QTEST_QPA_MOUSE_HANDLING

#include "controls/biteditcombobox.h"
#include "controls/biteditlistbox.h"
#include "tests/support/qtapp.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ComboFixture : TQtApp, ::testing::Test {
    void SetUp() override
    {
        TestApp();
        window.resize(300, 120);
        combo = new TBitEditComboBox(&window);
        combo->setObjectName("NotStaffMaskBitEdit");
        combo->SetItems({"Аппаратные НС", "Флаги режимов работы", "Системные НС"});
        combo->setGeometry(10, 10, 120, 24);
        combo->OnChange = [this](QWidget*) { ++changes; };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void ClickButton() { QTest::mouseClick(combo, Qt::LeftButton, {}, combo->GetButtonRect().center()); }

    QWidget window;
    TBitEditComboBox* combo = nullptr;
    int changes = 0;
};

} // namespace

TEST(BitEditComboLayout, Inverted_BitZeroIsTheRightmostCell)
{
    TestApp();
    TBitEditComboBox combo;
    combo.SetInverted(true);
    for (int i = 1; i < 8; ++i)
        EXPECT_GT(combo.GetBitRect(0).left(), combo.GetBitRect(i).left());
    EXPECT_EQ(combo.GetBitRect(7).left(), 2);
}

TEST(BitEditComboLayout, ColumnCount_LaysCellsOutInRows)
{
    TestApp();
    TBitEditComboBox combo;
    combo.SetColumnCount(3);
    const int size = combo.CellSize();
    EXPECT_EQ(combo.GetBitRect(4).topLeft(), QPoint(2 + size, 2 + size));
    combo.SetBitBorder(2);
    EXPECT_EQ(combo.GetBitRect(0).topLeft(), QPoint(4, 4));
}

TEST(BitEditComboKeys, UpDown_MoveByRows)
{
    TestApp();
    struct Case {
        int columns;
        int from;
        Qt::Key key;
        int to;
    } const cases[] = {
        {4, 1, Qt::Key_Down, 5}, {4, 6, Qt::Key_Down, 7}, {4, 5, Qt::Key_Up, 1}, {4, 2, Qt::Key_Up, 0},
        {0, 3, Qt::Key_Down, 7}, {0, 3, Qt::Key_Up, 0},   {0, 0, Qt::Key_Up, 0}, {4, 3, Qt::Key_Left, 2},
    };
    for (const Case& c : cases) {
        TBitEditComboBox combo;
        combo.SetColumnCount(c.columns);
        combo.SetSelectedItem(c.from);
        QTest::keyClick(&combo, c.key);
        EXPECT_EQ(combo.SelectedItem(), c.to) << c.columns << " columns from " << c.from;
    }
}

TEST_F(ComboFixture, ButtonClick_OpensListWithTheComboSettings)
{
    combo->SetBitFlags(0x5);
    combo->SetFirstBitSym('1');
    combo->SetSelectedItem(2);
    combo->SetBitBorder(2);
    changes = 0;
    ClickButton();
    ASSERT_TRUE(combo->IsDroppedDown());
    TBitEditListBox* list = combo->DropDownList();
    EXPECT_EQ(list->Items(), combo->Items());
    EXPECT_EQ(list->BitFlags(), 0x5);
    EXPECT_EQ(list->FirstBitSym(), '1');
    EXPECT_EQ(list->SelectedItem(), 2);
    EXPECT_TRUE(list->SingleBorder());
    EXPECT_EQ(list->BitBorder(), 2);
    EXPECT_TRUE(list->hasFocus());
    QWidget* dropDown = combo->DropDownWindow();
    // Sized with the copied border: every cell of the list fits.
    EXPECT_EQ(dropDown->height(), 3 * list->CellSize() + 4);
    EXPECT_GE(dropDown->width(), combo->width());
    EXPECT_EQ(dropDown->geometry().top(), combo->mapToGlobal(QPoint(0, combo->height())).y());
    EXPECT_EQ(changes, 0);
}

TEST_F(ComboFixture, ListToggle_CopiedIntoComboOnce)
{
    ClickButton();
    TBitEditListBox* list = combo->DropDownList();
    ASSERT_TRUE(list);
    QTest::mouseClick(list, Qt::LeftButton, {}, list->GetBitRect(1).center());
    EXPECT_EQ(combo->BitFlags(), 0x2);
    EXPECT_EQ(changes, 1);
    // A mask set from the program reaches the open list without echoing back.
    combo->SetBitFlags(0x3);
    EXPECT_EQ(list->BitFlags(), 0x3);
    EXPECT_EQ(changes, 2);
}

TEST_F(ComboFixture, ButtonClickWhileOpen_ClosesWithoutReopening)
{
    ClickButton();
    ASSERT_TRUE(combo->IsDroppedDown());
    ClickButton();
    QApplication::processEvents();
    EXPECT_FALSE(combo->IsDroppedDown());
    EXPECT_FALSE(combo->ButtonPressed());
    // The next click opens it again: nothing is left swallowing clicks.
    ClickButton();
    EXPECT_TRUE(combo->IsDroppedDown());
}

TEST_F(ComboFixture, ButtonReleasedOffTheButton_DoesNotOpen)
{
    const QPoint button = combo->GetButtonRect().center();
    QTest::mousePress(combo, Qt::LeftButton, {}, button);
    EXPECT_TRUE(combo->ButtonPressed());
    QTest::mouseMove(combo, QPoint(5, 5));
    EXPECT_FALSE(combo->ButtonPressed());
    QTest::mouseRelease(combo, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(combo->IsDroppedDown());
}

TEST_F(ComboFixture, NearScreenBottom_DropsDownAbove)
{
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.left(), screen.bottom() - 60);
    QApplication::processEvents();
    ClickButton();
    ASSERT_TRUE(combo->IsDroppedDown());
    EXPECT_EQ(combo->DropDownWindow()->geometry().bottom() + 1, combo->mapToGlobal(QPoint(0, 0)).y());
}

TEST_F(ComboFixture, ReadOnly_ListDoesNotChangeTheMask)
{
    combo->SetReadOnly(true);
    ClickButton();
    TBitEditListBox* list = combo->DropDownList();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->GetBitRect(0).center());
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(combo->BitFlags(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(ComboFixture, FocusedByClick_FramesTheSelectedCell)
{
    combo->SetReadOnly(true);
    combo->SetBitBorder(2);
    QApplication::setActiveWindow(&window);
    QTest::mouseClick(combo, Qt::LeftButton, {}, combo->GetBitRect(1).center());
    ASSERT_TRUE(combo->Focused());
    ASSERT_EQ(combo->SelectedItem(), 1);
    const QRect frame = combo->GetBitRect(1).adjusted(-2, -2, 2, 2);
    const QImage image = combo->grab().toImage();
    EXPECT_NE(QColor(image.pixel(frame.center().x(), frame.top())), QColor(Qt::white));
    // The unselected cell beside it has no frame.
    EXPECT_EQ(QColor(image.pixel(frame.center().x() + frame.width(), frame.top())), QColor(Qt::white));
}
