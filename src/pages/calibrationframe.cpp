#include "pages/calibrationframe.h"

#include "controls/biteditlistbox.h"
#include "controls/goodtable.h"
#include "util/sysutil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace ZT_namespace;
using namespace ZT_Pages;

namespace {

constexpr int kGradientSet = 1;
constexpr int kKoefWidths[4] = {30, 110, 142, 165};

double EditValue(const QLineEdit* edit)
{
    return StrToReal(edit->text().toStdString());
}

} // namespace

TCalibrationSetup::TCalibrationSetup(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("CalibrationSetup");
    auto* root = new QVBoxLayout(this);

    AddSetupButtons(root, GetSetup, &SetSetup);

    DirectKoef = MakeKoefTable("DirectKoef");
    ReverseKoef = MakeKoefTable("ReverseKoef");
    for (auto [caption, table] :
         {std::pair{"Калибровочные коэффициенты прямого направления", DirectKoef},
          std::pair{"Калибровочные коэффициенты обратного направления", ReverseKoef}}) {
        auto* group = new QGroupBox(QString::fromUtf8(caption), this);
        group->setObjectName(table == DirectKoef ? "DirectKoefGroup" : "ReverseKoefGroup");
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(table);
        auto* row = new QHBoxLayout;
        row->addWidget(group);
        row->addStretch(1);
        root->addLayout(row);
    }

    auto* limits = new QGroupBox(this);
    limits->setObjectName("LimitsGroup");
    auto* lg = new QGridLayout(limits);
    Qmin = BindEdit("Qmin", ZT_Fields::Qmin, "%g");
    Qmax = BindEdit("Qmax", ZT_Fields::Qmax, "%g");
    ZeroOffset = BindEdit("ZeroOffset", ZT_Fields::ZeroOffset, "%g");
    int row = 0;
    for (auto [caption, edit] : {std::pair{"Q_мин", Qmin}, std::pair{"Q_макс", Qmax},
                                 std::pair{"Смещение нуля", ZeroOffset}}) {
        lg->addWidget(new QLabel(QString::fromUtf8(caption), limits), row, 0);
        lg->addWidget(edit, row, 1);
        ++row;
    }
    CalibrationFlags = BindBits<TBitEditListBox>("CalibrationFlags", ZT_Fields::CalibrationFlags, false);
    lg->addWidget(CalibrationFlags, 0, 2, row, 1, Qt::AlignTop);
    lg->setColumnStretch(2, 1);

    auto* gradient = new QGroupBox(QString::fromUtf8("Коррекция по градиенту"), this);
    gradient->setObjectName("GradientGroup");
    auto* gg = new QGridLayout(gradient);
    GradSigOffset = BindEdit("GradSigOffset", ZT_Fields::GradSigOffset, "%g");
    GradSigKoef = BindEdit("GradSigKoef", ZT_Fields::GradSigKoef, "%g");
    gg->addWidget(new QLabel(QString::fromUtf8("Нулевое смещение"), gradient), 0, 0);
    gg->addWidget(GradSigOffset, 0, 1);
    gg->addWidget(new QLabel(QString::fromUtf8("Коэффициент коррекции"), gradient), 1, 0);
    gg->addWidget(GradSigKoef, 1, 1);
    gradient->hide();
    CollectSet(kGradientSet, {GradSigOffset, GradSigKoef});

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(limits);
    bottom->addWidget(gradient);
    bottom->addStretch(1);
    root->addLayout(bottom);
    root->addStretch(1);

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSetup, &QPushButton::clicked, this, [this] { SetSetupClick(SetSetup); });
    connect(Qmin, &QLineEdit::textChanged, this, [this] { emit QminChanged(EditValue(Qmin)); });
    connect(Qmax, &QLineEdit::textChanged, this, [this] { emit QmaxChanged(EditValue(Qmax)); });
}

TGoodTable* TCalibrationSetup::MakeKoefTable(const char* name)
{
    auto* table = new TGoodTable(this);
    table->setObjectName(name);
    table->SetColCount(4);
    table->SetRowCount(kKoefSections);
    table->SetColReadOnly(0, true);
    int width = 0;
    for (int col = 0; col < 4; ++col) {
        table->SetWidths(col, kKoefWidths[col]);
        width += kKoefWidths[col];
    }
    table->setToolTip(QString::fromUtf8("Коэффициенты кусочно-линейной апроксимации"));
    // The whole grid in view: five rows need no scroll bars.
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setFixedSize(width + 2 * table->frameWidth() + 2,
                        TGoodTable::HeaderHeight + kKoefSections * TGoodTable::RowHeight +
                            2 * table->frameWidth() + 2);
    return table;
}

void TCalibrationSetup::InitPage()
{
    for (TGoodTable* table : {DirectKoef, ReverseKoef}) {
        table->SetCaptions(1, QString::fromUtf8("Код"));
        table->SetCaptions(2, "A");
        table->SetCaptions(3, "B");
        for (int row = 0; row < kKoefSections; ++row)
            table->SetCells(row, 0, QString::number(row + 1));
    }
    CalibrationFlags->SetFirstBitSym('1');
    CalibrationFlags->setFixedHeight(CalibrationFlags->CellSize() * CalibrationFlags->ItemCount() + 8);
    CalibrationFlags->setMinimumWidth(320);
}

TKoefCells TCalibrationSetup::KoefCells(bool reverse) const
{
    const TGoodTable* table = KoefTable(reverse);
    TKoefCells cells{};
    for (int row = 0; row < kKoefSections; ++row)
        for (int col = 0; col < 3; ++col)
            cells[size_t(row)][size_t(col)] = table->Cells(row, col + 1).trimmed().toStdString();
    return cells;
}

void TCalibrationSetup::SetKoefCells(bool reverse, const TKoefCells& cells)
{
    TGoodTable* table = KoefTable(reverse);
    for (int row = 0; row < kKoefSections; ++row)
        for (int col = 0; col < 3; ++col)
            table->SetCells(row, col + 1, QString::fromStdString(cells[size_t(row)][size_t(col)]));
}

TKoefSections TCalibrationSetup::GetSections(bool reverse) const
{
    return KoefTableToSections(KoefCells(reverse));
}

void TCalibrationSetup::ShowSections(bool reverse, const TKoefSections& sections)
{
    SetKoefCells(reverse, KoefSectionsToTable(sections));
}

void TCalibrationSetup::WriteSection(const TConfiguration& node) const
{
    TCalibrationSectionStruct s;
    s.Direct = GetSections(false);
    s.Reverse = GetSections(true);
    s.Qmin = EditValue(Qmin);
    s.Qmax = EditValue(Qmax);
    s.Zero = EditValue(ZeroOffset);
    s.Flags = CalibrationFlags->BitFlags();
    WriteCalibrationSection(node, s);
}

void TCalibrationSetup::ReadSection(const TConfiguration& node)
{
    const TCalibrationSectionStruct s = ReadCalibrationSection(node);
    ShowSections(false, s.Direct);
    ShowSections(true, s.Reverse);
    // Typed text: the output page follows the flow range through the edits'
    // change signals.
    Qmin->setText(QString::fromStdString(KoefValueText(s.Qmin)));
    Qmax->setText(QString::fromStdString(KoefValueText(s.Qmax)));
    ZeroOffset->setText(QString::fromStdString(KoefValueText(s.Zero)));
    CalibrationFlags->SetBitFlags(s.Flags);
}

bool TCalibrationSetup::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TCalibrationSetup::SetSetupClick(QObject*)
{
    return WritePage();
}

void TCalibrationSetup::RefreshPage()
{
    if (!PageHost)
        return;
    RefreshBindings();
    TKoefSections direct{}, reverse{};
    {
        TDeviceHelperLocker locker(PageHost->Device());
        direct = GetKoefSections(PageHost->Device(), false);
        reverse = GetKoefSections(PageHost->Device(), true);
    }
    // A grid being edited is left alone, like any focused control.
    if (!HasFocus(DirectKoef))
        ShowSections(false, direct);
    if (!HasFocus(ReverseKoef))
        ShowSections(true, reverse);
    // The bindings refresh with signals blocked; the output page follows the
    // flow range as read all the same.
    emit QminChanged(EditValue(Qmin));
    emit QmaxChanged(EditValue(Qmax));
}

bool TCalibrationSetup::CollectPage()
{
    if (!PageHost)
        return false;
    // Both limits divide the flow range into the outputs' frequencies; the
    // meter refuses to work with a zero one. Stored as floats, so a value
    // too small for a float is zero as well.
    if (static_cast<float>(EditValue(Qmin)) == 0.0f || static_cast<float>(EditValue(Qmax)) == 0.0f) {
        PageHost->LogMessage("Не корректное значение Q_min или Q_max");
        return false;
    }
    const TKoefSections direct = GetSections(false);
    const TKoefSections reverse = GetSections(true);
    if (!CollectBindings(0) || !CollectBindings(kGradientSet))
        return false;
    TDeviceHelperLocker locker(PageHost->Device());
    SetKoefSections(PageHost->Device(), false, direct);
    SetKoefSections(PageHost->Device(), true, reverse);
    return true;
}
