#include "controls/biteditcombobox.h"

#include "controls/biteditlistbox.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The drop-down window: a pop-up that closes on a press outside itself. A
// press on the combo box that owns it only closes it: the press is not
// replayed to the combo box, so the same click never opens it again.
class TBitEditDropDown : public QWidget {
public:
    TBitEditDropDown(QWidget* owner) : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), owner_(owner) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint global = event->globalPosition().toPoint();
        if (!rect().contains(event->position().toPoint())) {
            const bool onOwner = owner_->rect().contains(owner_->mapFromGlobal(global));
            setAttribute(Qt::WA_NoMouseReplay, onOwner);
        }
        QWidget::mousePressEvent(event);
    }

private:
    QWidget* owner_;
};

} // namespace

TBitEditComboBox::TBitEditComboBox(QWidget* parent) : TCustomBitEdit(parent) {}

TBitEditComboBox::~TBitEditComboBox() = default;

void TBitEditComboBox::SetColumnCount(int value)
{
    if (columnCount_ == value)
        return;
    columnCount_ = value;
    update();
}

void TBitEditComboBox::SetButtonWidth(int value)
{
    if (buttonWidth_ == value)
        return;
    buttonWidth_ = value;
    update();
}

void TBitEditComboBox::SetBitFlags(int32_t value)
{
    if (value == RawBitFlags())
        return;
    TCustomBitEdit::SetBitFlags(value);
    if (list_ && IsDroppedDown()) {
        updating_ = true;
        list_->SetBitFlags(value);
        updating_ = false;
    }
}

QRect TBitEditComboBox::GetBitRect(int index) const
{
    const int size = CellSize();
    const int i = VisualIndex(index);
    int column = i;
    int row = 0;
    if (columnCount_ > 0) {
        column = i % columnCount_;
        row = i / columnCount_;
    }
    const int border = BitBorder();
    return QRect(column * size, row * size, size, size)
        .translated(2, 2)
        .adjusted(border, border, -border, -border);
}

QRect TBitEditComboBox::GetButtonRect() const
{
    const QRect area = rect().adjusted(2, 2, -2, -2);
    return QRect(area.right() + 1 - buttonWidth_, area.top(), buttonWidth_, area.height());
}

bool TBitEditComboBox::IsDroppedDown() const
{
    return dropDown_ && dropDown_->isVisible();
}

void TBitEditComboBox::DoDropDown()
{
    if (!dropDown_) {
        dropDown_ = new TBitEditDropDown(this);
        dropDown_->setObjectName(QStringLiteral("BitEditDropDown"));
        auto* layout = new QVBoxLayout(dropDown_);
        layout->setContentsMargins(0, 0, 0, 0);
        list_ = new TBitEditListBox(dropDown_);
        list_->setObjectName(QStringLiteral("BitEditDropDownList"));
        list_->setFont(font());
        layout->addWidget(list_);
        list_->OnChange = [this](QWidget* sender) { ListChange(sender); };
        list_->OnKillFocus = [this](QWidget* sender) { ListKillFocus(sender); };
    }
    list_->setFont(font());
    // The list has the combo box's font and border, hence its cell size.
    const int size = CellSize();
    const int height = ItemCount() * size + 4;
    int width = this->width();
    const QFontMetrics metrics(font());
    for (const QString& item : Items())
        width = std::max(width, metrics.horizontalAdvance(item) + size + 8);

    QPoint position = mapToGlobal(QPoint(0, this->height()));
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen && position.y() + height > screen->availableGeometry().bottom() + 1)
        position = mapToGlobal(QPoint(0, -height));

    updating_ = true;
    list_->SetItems(Items());
    list_->SetBitFlags(BitFlags());
    list_->SetBitBorder(BitBorder());
    list_->SetReadOnly(ReadOnly());
    list_->SetFirstBitSym(FirstBitSym());
    list_->SetBitSelectColor(BitSelectColor());
    list_->SetColor(Color());
    list_->SetInverted(Inverted());
    list_->SetSingleBorder(true);
    list_->SetSelectedItem(IsValidItem(SelectedItem()) ? SelectedItem() : 0);
    updating_ = false;

    dropDown_->setAttribute(Qt::WA_NoMouseReplay, false);
    dropDown_->setGeometry(QRect(position, QSize(width, height)));
    dropDown_->show();
    list_->setFocus(Qt::PopupFocusReason);
}

void TBitEditComboBox::ListChange(QWidget*)
{
    if (!updating_)
        SetBitFlags(list_->BitFlags());
}

void TBitEditComboBox::ListKillFocus(QWidget*)
{
    if (dropDown_)
        dropDown_->hide();
}

void TBitEditComboBox::DoPaint(QPainter& painter, const QRect&)
{
    if (Focused() && IsValidItem(SelectedItem())) {
        const int border = BitBorder();
        DrawFocusRect(painter, GetBitRect(SelectedItem()).adjusted(-border, -border, border, border),
                      Color());
    }
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = GetButtonRect();
    button.state |= buttonPressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
    QStyleOption arrow = button;
    const int side = std::min(button.rect.width(), button.rect.height()) / 2;
    arrow.rect = QRect(0, 0, side, side);
    arrow.rect.moveCenter(button.rect.center() + (buttonPressed_ ? QPoint(1, 1) : QPoint()));
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

bool TBitEditComboBox::DoKeyDown(int key)
{
    const int before = SelectedItem();
    const int last = ItemCount() - 1;
    int next = before;
    if (key == Qt::Key_Up) {
        next = (columnCount_ > 0 && before >= columnCount_) ? before - columnCount_ : 0;
    } else if (key == Qt::Key_Down) {
        if (columnCount_ > 0)
            next = std::min(before + columnCount_, last);
        else
            next = last;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && next != before && IsValidItem(next)) {
        SetSelectedItem(next);
        return true;
    }
    return TCustomBitEdit::DoKeyDown(key);
}

void TBitEditComboBox::mousePressEvent(QMouseEvent* event)
{
    TCustomBitEdit::mousePressEvent(event);
    if (GetButtonRect().contains(event->position().toPoint())) {
        buttonPressed_ = true;
        buttonTracking_ = true;
        update();
    }
}

void TBitEditComboBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!buttonTracking_)
        return;
    const bool onButton = GetButtonRect().contains(event->position().toPoint());
    if (onButton != buttonPressed_) {
        buttonPressed_ = onButton;
        update();
    }
}

void TBitEditComboBox::mouseReleaseEvent(QMouseEvent*)
{
    const bool open = buttonPressed_;
    buttonTracking_ = false;
    if (buttonPressed_) {
        buttonPressed_ = false;
        update();
    }
    if (open)
        DoDropDown();
}
