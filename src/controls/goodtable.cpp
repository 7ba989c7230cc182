#include "controls/goodtable.h"

#include <QAbstractTableModel>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWheelEvent>

#include <algorithm>

// The header's sections: one per column, with the column captions.
class TGoodTableHeaderModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex&) const override { return 0; }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(captions_.size());
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= captions_.size())
            return {};
        if (role == Qt::DisplayRole)
            return captions_.at(section);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }

    void SetCount(int count)
    {
        const int current = static_cast<int>(captions_.size());
        if (count > current) {
            beginInsertColumns(QModelIndex(), current, count - 1);
            for (int i = current; i < count; ++i)
                captions_.append(QString());
            endInsertColumns();
        } else if (count < current) {
            beginRemoveColumns(QModelIndex(), count, current - 1);
            captions_.resize(count);
            endRemoveColumns();
        }
    }
    QString Caption(int section) const { return captions_.value(section); }
    void SetCaption(int section, const QString& text)
    {
        captions_[section] = text;
        emit headerDataChanged(Qt::Horizontal, section, section);
    }

private:
    QStringList captions_;
};

// The in-place editor: closes on Enter, Escape and the loss of the focus, and
// moves the table's row on Up and Down.
class TGoodTableEditor : public QLineEdit {
public:
    TGoodTableEditor(TGoodTable* table, QWidget* parent) : QLineEdit(parent), table_(table) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            table_->HideEditor();
            return;
        case Qt::Key_Up:
            table_->HideEditor();
            table_->MoveRow(-1);
            return;
        case Qt::Key_Down:
            table_->HideEditor();
            table_->MoveRow(1);
            return;
        default:
            QLineEdit::keyPressEvent(event);
        }
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        table_->HideEditor();
    }

private:
    TGoodTable* table_;
};

namespace {

const QColor GridColor(192, 192, 192);
const QRgb DefaultTextColor = qRgb(0, 0, 0);

} // namespace

TGoodTable::TGoodTable(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);

    headerModel_ = new TGoodTableHeaderModel(this);
    header_ = new QHeaderView(Qt::Horizontal, viewport());
    header_->setObjectName(QStringLiteral("GoodTableHeader"));
    header_->setModel(headerModel_);
    header_->setDefaultAlignment(Qt::AlignCenter);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setStretchLastSection(false);
    header_->setSectionsClickable(false);
    header_->setHighlightSections(false);
    header_->setMinimumSectionSize(0);
    header_->setDefaultSectionSize(DefaultWidth);
    header_->setFocusPolicy(Qt::NoFocus);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        HideEditor();
        HorzLayout();
    });

    editor_ = new TGoodTableEditor(this, viewport());
    editor_->setObjectName(QStringLiteral("GoodTableEditor"));
    editor_->setFrame(false);
    editor_->hide();
    connect(editor_, &QLineEdit::textChanged, this, [this](const QString& text) { EditorTextChanged(text); });

    scrolls_.SetHandle(this);
    HorzLayout();
    VertLayout();
}

TGoodTable::~TGoodTable() = default;

// ---- sizes and data ----

void TGoodTable::ResizeRowCells(RowData& row, int count)
{
    if (!row.Ends.empty()) {
        if (count < static_cast<int>(row.Ends.size())) {
            row.Text.resize(count > 0 ? row.Ends[count - 1] : 0);
            row.Ends.resize(count);
        } else {
            row.Ends.resize(count, static_cast<uint32_t>(row.Text.size()));
        }
        if (row.Text.empty())
            std::vector<uint32_t>().swap(row.Ends);
    }
    if (row.Extra) {
        row.Extra->Checked.resize(count, 0);
        row.Extra->TextColor.resize(count, DefaultTextColor);
    }
}

void TGoodTable::SetColCount(int value)
{
    value = std::max(0, value);
    if (value == ColCount())
        return;
    HideEditor();
    headerModel_->SetCount(value);
    columns_.resize(value);
    for (RowData& row : rows_)
        ResizeRowCells(row, value);
    if (col_ >= value)
        col_ = value - 1;
    HorzLayout();
}

void TGoodTable::SetRowCount(int value)
{
    value = std::max(0, value);
    if (value == RowCount())
        return;
    if (row_ >= value) {
        HideEditor();
        row_ = value - 1;
    }
    rows_.resize(value);
    VertLayout();
    viewport()->update();
}

void TGoodTable::SetReadOnly(bool value)
{
    if (value)
        HideEditor();
    readOnly_ = value;
}

void TGoodTable::SetItems(const QStringList& list)
{
    items_ = list;
    SetColCount(static_cast<int>(list.size()));
    for (int i = 0; i < list.size(); ++i)
        SetCaptions(i, list.at(i));
}

TGoodTable::RowExtra& TGoodTable::Extra(RowData& row)
{
    if (!row.Extra) {
        row.Extra = std::make_unique<RowExtra>();
        row.Extra->Checked.assign(ColCount(), 0);
        row.Extra->TextColor.assign(ColCount(), DefaultTextColor);
    }
    return *row.Extra;
}

QString TGoodTable::Cells(int row, int col) const
{
    if (!ValidCell(row, col))
        return QString();
    const RowData& data = rows_[row];
    if (data.Ends.empty())
        return QString();
    const uint32_t begin = col > 0 ? data.Ends[col - 1] : 0;
    return QString::fromUtf8(data.Text.data() + begin, data.Ends[col] - begin);
}

void TGoodTable::SetCells(int row, int col, const QString& text)
{
    if (!ValidCell(row, col))
        return;
    RowData& data = rows_[row];
    const QByteArray bytes = text.toUtf8();
    if (data.Ends.empty()) {
        if (bytes.isEmpty())
            return;
        data.Ends.assign(ColCount(), 0);
    }
    const uint32_t begin = col > 0 ? data.Ends[col - 1] : 0;
    const uint32_t end = data.Ends[col];
    data.Text.replace(begin, end - begin, bytes.constData(), bytes.size());
    const int64_t delta = static_cast<int64_t>(bytes.size()) - (end - begin);
    if (delta != 0)
        for (size_t i = col; i < data.Ends.size(); ++i)
            data.Ends[i] = static_cast<uint32_t>(data.Ends[i] + delta);
    UpdateCell(row, col);
}

void TGoodTable::SetRowTexts(int row, const std::vector<std::string>& texts)
{
    if (row < 0 || row >= RowCount())
        return;
    RowData& data = rows_[row];
    data.Text.clear();
    data.Ends.assign(ColCount(), 0);
    uint32_t end = 0;
    for (int col = 0; col < ColCount(); ++col) {
        if (size_t(col) < texts.size()) {
            data.Text += texts[col];
            end += static_cast<uint32_t>(texts[col].size());
        }
        data.Ends[col] = end;
    }
    if (end == 0)
        data.Ends.clear();
    viewport()->update();
}

bool TGoodTable::CellsChecked(int row, int col) const
{
    if (!ValidCell(row, col) || !rows_[row].Extra)
        return false;
    return rows_[row].Extra->Checked[col] != 0;
}

void TGoodTable::SetCellsChecked(int row, int col, bool value)
{
    if (!ValidCell(row, col) || (!value && !rows_[row].Extra))
        return;
    Extra(rows_[row]).Checked[col] = value ? 1 : 0;
    UpdateCell(row, col);
}

QColor TGoodTable::CellsTextColor(int row, int col) const
{
    if (!ValidCell(row, col) || !rows_[row].Extra)
        return QColor(DefaultTextColor);
    return QColor(rows_[row].Extra->TextColor[col]);
}

void TGoodTable::SetCellsTextColor(int row, int col, const QColor& value)
{
    if (!ValidCell(row, col) || (value.rgb() == DefaultTextColor && !rows_[row].Extra))
        return;
    Extra(rows_[row]).TextColor[col] = value.rgb();
    UpdateCell(row, col);
}

QString TGoodTable::Captions(int col) const
{
    return headerModel_->Caption(col);
}

void TGoodTable::SetCaptions(int col, const QString& text)
{
    if (col >= 0 && col < ColCount())
        headerModel_->SetCaption(col, text);
}

int TGoodTable::Widths(int col) const
{
    return col >= 0 && col < ColCount() ? header_->sectionSize(col) : 0;
}

void TGoodTable::SetWidths(int col, int value)
{
    if (col >= 0 && col < ColCount())
        header_->resizeSection(col, std::max(0, value));
}

ColType TGoodTable::ColTypes(int col) const
{
    return col >= 0 && col < ColCount() ? columns_[col].Type : ctText;
}

void TGoodTable::SetColTypes(int col, ColType value)
{
    if (col < 0 || col >= ColCount())
        return;
    if (value == ctCheckBox && col == col_)
        HideEditor();
    columns_[col].Type = value;
    viewport()->update();
}

TAlignment TGoodTable::ColAlignment(int col) const
{
    return col >= 0 && col < ColCount() ? columns_[col].Alignment : taLeftJustify;
}

void TGoodTable::SetColAlignment(int col, TAlignment value)
{
    if (col >= 0 && col < ColCount())
        columns_[col].Alignment = value;
}

bool TGoodTable::ColReadOnly(int col) const
{
    return col >= 0 && col < ColCount() ? columns_[col].ReadOnly : false;
}

void TGoodTable::SetColReadOnly(int col, bool value)
{
    if (col >= 0 && col < ColCount())
        columns_[col].ReadOnly = value;
}

// ---- geometry ----

int TGoodTable::TotalWidth() const
{
    return ColCount() > 0 ? header_->sectionPosition(ColCount() - 1) + header_->sectionSize(ColCount() - 1)
                          : 0;
}

QRect TGoodTable::GetCellRect(int row, int col) const
{
    if (col < 0 || col >= ColCount())
        return QRect();
    const int left = header_->sectionPosition(col) - scrolls_.HorzPos();
    const int top = (row - scrolls_.VertPos() + 1) * RowHeight;
    return QRect(left, top, header_->sectionSize(col) - 1, RowHeight - 1);
}

QRect TGoodTable::CheckBoxRect(const QRect& cell)
{
    return QRect(cell.left() + (cell.width() - CheckBoxSize) / 2,
                 cell.top() + (cell.height() - CheckBoxSize) / 2, CheckBoxSize, CheckBoxSize);
}

int TGoodTable::PageRows() const
{
    return std::max(1, viewport()->height() / RowHeight - 2);
}

void TGoodTable::HorzLayout()
{
    const QRect client = viewport()->rect();
    const int total = TotalWidth();
    scrolls_.HorzLayout(client, total);
    header_->setGeometry(-scrolls_.HorzPos(), 0, std::max(client.width(), total), HeaderHeight);
    viewport()->update();
}

void TGoodTable::VertLayout()
{
    const QRect client = viewport()->rect();
    scrolls_.VertLayout(QRect(0, HeaderHeight, client.width(), std::max(0, client.height() - HeaderHeight)),
                        RowCount());
}

void TGoodTable::UpdateCell(int row, int col)
{
    if (!isVisible())
        return;
    const QRect cell = GetCellRect(row, col);
    if (cell.isValid() && cell.bottom() >= HeaderHeight && cell.intersects(viewport()->rect()))
        viewport()->update(cell);
}

// ---- selection ----

void TGoodTable::Select(int row, int col)
{
    if (row == row_ && col == col_)
        return;
    HideEditor();
    UpdateCell(row_, col_);
    row_ = row;
    col_ = col;
    MakeVisible();
    UpdateCell(row_, col_);
    if (OnSelChange)
        OnSelChange(this);
    emit selChanged();
}

void TGoodTable::SetCol(int value)
{
    Select(row_, std::clamp(value, -1, ColCount() - 1));
}

void TGoodTable::SetRow(int value)
{
    Select(std::clamp(value, -1, RowCount() - 1), col_);
}

void TGoodTable::MakeVisible()
{
    // Each direction follows the selection on its own, so that a row chosen
    // before any column still comes into view.
    if (col_ >= 0 && col_ < ColCount()) {
        const int left = header_->sectionPosition(col_);
        const int right = left + header_->sectionSize(col_);
        const int position = scrolls_.HorzPos();
        if (left < position)
            scrolls_.ScrollTo(Qt::Horizontal, left);
        else if (right > position + viewport()->width())
            scrolls_.ScrollTo(Qt::Horizontal, right - viewport()->width());
    }
    if (row_ >= 0 && row_ < RowCount()) {
        const int position = scrolls_.VertPos();
        const int visible = viewport()->height() / RowHeight - 1;
        if (row_ < position)
            scrolls_.ScrollTo(Qt::Vertical, row_);
        else if (row_ >= position + visible)
            scrolls_.ScrollTo(Qt::Vertical, row_ + 2 - viewport()->height() / RowHeight);
    }
}

void TGoodTable::SelectAt(const QPoint& point)
{
    if (RowCount() == 0 || ColCount() == 0)
        return;
    const int row = std::clamp(scrolls_.VertPos() + point.y() / RowHeight - 1, 0, RowCount() - 1);
    const int x = point.x() + scrolls_.HorzPos();
    int col = ColCount() - 1;
    for (int i = 0; i < ColCount(); ++i) {
        if (header_->sectionPosition(i) + header_->sectionSize(i) > x) {
            col = i;
            break;
        }
    }
    Select(row, col);
}

void TGoodTable::MoveRow(int delta)
{
    if (RowCount() == 0)
        return;
    Select(std::clamp(row_ + delta, 0, RowCount() - 1), col_);
}

// ---- editing ----

bool TGoodTable::EditorVisible() const
{
    return editor_->isVisible();
}

QLineEdit* TGoodTable::Editor() const
{
    return editor_;
}

void TGoodTable::ShowEditor()
{
    if (!ValidCell(row_, col_) || readOnly_ || columns_[col_].ReadOnly || columns_[col_].Type != ctText)
        return;
    // The selection may have been scrolled away since it was made.
    MakeVisible();
    const QRect cell(header_->sectionPosition(col_) - scrolls_.HorzPos(),
                     (row_ - scrolls_.VertPos() + 1) * RowHeight, header_->sectionSize(col_) - 1,
                     RowHeight - 1);
    loadingEditor_ = true;
    editor_->setText(Cells(row_, col_));
    loadingEditor_ = false;
    editor_->setFont(font());
    editor_->setGeometry(cell);
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    setFocusPolicy(Qt::ClickFocus);
}

void TGoodTable::HideEditor()
{
    if (hidingEditor_ || !editor_->isVisible())
        return;
    hidingEditor_ = true;
    const bool hadFocus = editor_->hasFocus();
    setFocusPolicy(Qt::StrongFocus);
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    editor_->hide();
    hidingEditor_ = false;
}

void TGoodTable::EditorTextChanged(const QString& text)
{
    if (loadingEditor_ || !ValidCell(row_, col_))
        return;
    SetCells(row_, col_, text);
    Change();
}

void TGoodTable::Action()
{
    if (!ValidCell(row_, col_))
        return;
    if (columns_[col_].Type == ctCheckBox)
        InvChecking();
    else
        ShowEditor();
}

void TGoodTable::InvChecking()
{
    if (!ValidCell(row_, col_) || readOnly_ || columns_[col_].ReadOnly || columns_[col_].Type != ctCheckBox)
        return;
    RowExtra& extra = Extra(rows_[row_]);
    extra.Checked[col_] = extra.Checked[col_] ? 0 : 1;
    UpdateCell(row_, col_);
    Change();
}

void TGoodTable::Change()
{
    if (OnChange)
        OnChange(this);
    emit changed();
}

// ---- painting ----

void TGoodTable::DrawCell(QPainter& painter, const QRect& rect, int row, bool selected, int col)
{
    const QPalette& colors = palette();
    if (row >= RowCount()) {
        painter.fillRect(rect, colors.color(QPalette::Midlight));
        return;
    }
    const ColInfo& column = columns_[col];
    const bool focused = hasFocus();
    QColor background;
    if (selected)
        background = colors.color(focused ? QPalette::Highlight : QPalette::Button);
    else
        background = colors.color(column.ReadOnly ? QPalette::Midlight : QPalette::Base);
    painter.fillRect(rect, background);
    const RowData& data = rows_[row];

    if (column.Type == ctCheckBox) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = CheckBoxRect(rect);
        option.state =
            QStyle::State_Enabled | (CellsChecked(row, col) ? QStyle::State_On : QStyle::State_Off);
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
        return;
    }
    if (data.Ends.empty())
        return;
    const uint32_t begin = col > 0 ? data.Ends[col - 1] : 0;
    if (data.Ends[col] == begin)
        return;
    const QString text = QString::fromUtf8(data.Text.data() + begin, data.Ends[col] - begin);
    if (selected && focused)
        painter.setPen(colors.color(QPalette::HighlightedText));
    else
        painter.setPen(data.Extra ? QColor(data.Extra->TextColor[col]) : QColor(DefaultTextColor));
    Qt::Alignment alignment = Qt::AlignLeft;
    if (column.Alignment == taRightJustify)
        alignment = Qt::AlignRight;
    else if (column.Alignment == taCenter)
        alignment = Qt::AlignHCenter;
    painter.drawText(rect, alignment | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void TGoodTable::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = event->rect();
    const int clientWidth = viewport()->width();
    const int clientHeight = viewport()->height();
    const int vpos = scrolls_.VertPos();
    const int firstBand = std::max(0, (area.top() - HeaderHeight) / RowHeight);
    const int lastBand = std::max(0, (area.bottom() - HeaderHeight) / RowHeight);

    int x = -scrolls_.HorzPos();
    for (int col = 0; col < ColCount() && x <= area.right(); ++col) {
        const int width = header_->sectionSize(col);
        const int right = x + width - 1;
        if (width > 0 && right >= area.left()) {
            painter.setPen(GridColor);
            painter.drawLine(right, HeaderHeight, right, clientHeight - 1);
            for (int band = firstBand; band <= lastBand; ++band) {
                const int row = vpos + band;
                const QRect cell(x, HeaderHeight + band * RowHeight, width - 1, RowHeight - 1);
                DrawCell(painter, cell, row, row == row_ && col == col_, col);
            }
        }
        x += width;
    }
    for (int band = firstBand; band <= lastBand; ++band) {
        const int y = HeaderHeight + band * RowHeight;
        if (x < clientWidth)
            painter.fillRect(QRect(x, y, clientWidth - x, RowHeight - 1),
                             palette().color(QPalette::Midlight));
        painter.setPen(GridColor);
        painter.drawLine(0, y + RowHeight - 1, clientWidth - 1, y + RowHeight - 1);
    }
}

// ---- keyboard and mouse ----

void TGoodTable::keyPressEvent(QKeyEvent* event)
{
    const int page = PageRows();
    const int last = RowCount() - 1;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Action();
        return;
    case Qt::Key_PageUp:
        if (last >= 0)
            Select(page < row_ ? row_ - page : 0, col_);
        return;
    case Qt::Key_Home:
        if (last >= 0)
            Select(0, col_);
        return;
    case Qt::Key_PageDown:
        if (last >= 0)
            Select(row_ < RowCount() - page ? std::max(row_ + page, 0) : last, col_);
        return;
    case Qt::Key_End:
        if (last >= 0)
            Select(last, col_);
        return;
    case Qt::Key_Left:
        if (ColCount() > 0)
            Select(row_, std::clamp(col_ - 1, 0, ColCount() - 1));
        return;
    case Qt::Key_Right:
        if (ColCount() > 0)
            Select(row_, std::clamp(col_ + 1, 0, ColCount() - 1));
        return;
    case Qt::Key_Up:
        MoveRow(-1);
        return;
    case Qt::Key_Down:
        MoveRow(1);
        return;
    case Qt::Key_F2:
        ShowEditor();
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint() && !readOnly_ && ValidCell(row_, col_) &&
        !columns_[col_].ReadOnly) {
        if (text == QStringLiteral(" "))
            Action();
        else
            ShowEditor();
        if (editor_->isVisible()) {
            editor_->setText(text);
            editor_->setCursorPosition(static_cast<int>(text.size()));
        }
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TGoodTable::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    tracking_ = true;
    const QPoint point = event->position().toPoint();
    // Selected before the editor opens: opening brings a partly hidden cell
    // into view, after which the point would name another cell.
    const bool inSelected = ValidCell(row_, col_) && GetCellRect(row_, col_).contains(point);
    SelectAt(point);
    if (inSelected)
        ShowEditor();
    if (ValidCell(row_, col_) && columns_[col_].Type == ctCheckBox &&
        CheckBoxRect(GetCellRect(row_, col_)).contains(point))
        InvChecking();
}

void TGoodTable::mouseMoveEvent(QMouseEvent* event)
{
    if (tracking_)
        SelectAt(event->position().toPoint());
}

void TGoodTable::mouseReleaseEvent(QMouseEvent*)
{
    tracking_ = false;
}

void TGoodTable::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    ShowEditor();
}

void TGoodTable::wheelEvent(QWheelEvent* event)
{
    // Fine-grained wheels report parts of a notch; a row moves per whole notch.
    wheelRemainder_ += event->angleDelta().y();
    while (wheelRemainder_ >= 120) {
        wheelRemainder_ -= 120;
        scrolls_.Scroll(Qt::Vertical, srLineUp);
        if (row_ > 0)
            Select(row_ - 1, col_);
    }
    while (wheelRemainder_ <= -120) {
        wheelRemainder_ += 120;
        scrolls_.Scroll(Qt::Vertical, srLineDown);
        if (row_ < RowCount() - 1)
            Select(row_ + 1, col_);
    }
    event->accept();
}

void TGoodTable::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    UpdateCell(row_, col_);
}

void TGoodTable::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    UpdateCell(row_, col_);
}

bool TGoodTable::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        HideEditor();
        HorzLayout();
        VertLayout();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TGoodTable::scrollContentsBy(int dx, int dy)
{
    HideEditor();
    scrolls_.ScrollContent(dx, dy);
    header_->move(-scrolls_.HorzPos(), 0);
}
