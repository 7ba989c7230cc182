#pragma once
// TCalibrationSetup: the page "Калибровка". It edits the meter's
// calibration block: the piecewise-linear correction of the measured code
// for each flow direction (two five-section grids), the flow range Qmin and
// Qmax, the zero offset, the calibration flags and the (hidden) correction
// by the signal gradient. The output page follows its flow range; the
// coefficients window reads and writes its grids and gradient correction.

#include "pages/configuration.h"
#include "pages/pageframe.h"
#include "pages/pagesections.h"

class QLineEdit;
class QPushButton;
class TBitEditListBox;
class TGoodTable;

class TCalibrationSetup : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TCalibrationSetup(QWidget* parent = nullptr);

    void InitPage() override;
    void RefreshPage() override;
    // Refused with "Не корректное значение Q_min или Q_max" while either is
    // zero (empty and non-numeric text included); nothing is stored then.
    bool CollectPage() override;

    // Handlers of "Считать" and "Установить"; a null sender is a call from
    // program code.
    bool GetSetupClick(QObject* sender);
    bool SetSetupClick(QObject* sender);

    // The direct (`reverse` false) or reverse grid.
    TGoodTable* KoefTable(bool reverse) const { return reverse ? ReverseKoef : DirectKoef; }
    ZT_Pages::TKoefCells KoefCells(bool reverse) const;
    void SetKoefCells(bool reverse, const ZT_Pages::TKoefCells& cells);
    // The grid read into sections and sections shown in it.
    ZT_Pages::TKoefSections GetSections(bool reverse) const;
    void ShowSections(bool reverse, const ZT_Pages::TKoefSections& sections);

    // The configuration file's `Calibration` section: both grids as
    // sections, Qmin, Qmax and the zero offset as typed, the flag bits.
    void WriteSection(const ZT_Pages::TConfiguration& node) const;
    void ReadSection(const ZT_Pages::TConfiguration& node);

    QLineEdit* QminEdit() const { return Qmin; }
    QLineEdit* QmaxEdit() const { return Qmax; }
    QLineEdit* ZeroOffsetEdit() const { return ZeroOffset; }
    TBitEditListBox* FlagsEdit() const { return CalibrationFlags; }
    QLineEdit* GradSigOffsetEdit() const { return GradSigOffset; }
    QLineEdit* GradSigKoefEdit() const { return GradSigKoef; }

signals:
    // The flow range as typed or as read from the meter, read as a real.
    void QminChanged(double value);
    void QmaxChanged(double value);

private:
    TGoodTable* MakeKoefTable(const char* name);

    TGoodTable *DirectKoef, *ReverseKoef;
    QLineEdit *Qmin, *Qmax, *ZeroOffset, *GradSigOffset, *GradSigKoef;
    TBitEditListBox* CalibrationFlags;
    QPushButton *GetSetup, *SetSetup;
};
