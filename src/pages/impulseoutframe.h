#pragma once
// TImpulseOutFrame: the settings of one discrete output of the meter (a
// logical, pulse or frequency output), embedded twice in the output page.
// For pulse and frequency outputs it converts the pulse weight between four
// units and shows the frequency limits that the weight, the pulse duration
// and the calibration page's flow range imply.

#include "device/zt_helper.h"
#include "pages/pagesections.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TBitEditListBox;

class TImpulseOutFrame : public QWidget {
    Q_OBJECT
public:
    enum TOutputKind : int { otLogical = 0, otImpulse = 1, otFrequency = 2 };
    static constexpr int kUnits = 4;

    explicit TImpulseOutFrame(QWidget* parent = nullptr);

    // Static content: the lists, the first weight unit, a zero weight and
    // flow range, the type change and unit selection applied.
    void InitFrame();

    // Called after every change of the first weight edit ("м3/имп") with its
    // text; the workspace passes it on to the calibration workbench.
    using TWeighNotify = std::function<void(const QString& text)>;
    void SetOnChangeWeigh(TWeighNotify notify) { OnChangeWeigh = std::move(notify); }

    // The flow range of the calibration page, m3/h; the limits follow.
    void SetQmin(double value);
    void SetQmax(double value);

    // Shows one output of the device model; the caller holds its lock.
    void Refresh(const ZT_Helper& device, const ZT_namespace::TOutputFields& out);
    // Why the frame's values cannot be stored: "Не выбран тип выхода",
    // "Не задан вес импульса", "Не задана длительность"; empty when they can.
    std::string Check() const;
    // Stores the values into one output of the model (after `Check`
    // passed); the caller holds its lock.
    void Collect(ZT_Helper& device, const ZT_namespace::TOutputFields& out) const;

    // The configuration file's section of this output.
    ZT_Pages::TOutputSectionStruct WriteSection() const;
    void ReadSection(const ZT_Pages::TOutputSectionStruct& section);

    // Selects the unit whose edit takes the typing (0 "м3/имп", 1 "л/имп",
    // 2 "имп/л", 3 "Гц/(м3/ч)").
    void SelectUnit(int unit);
    int Unit() const { return unit_; }
    float Weight() const { return w_; }

    // The frequency limits as last computed, Hz.
    struct TLimitsStruct {
        double FoutMax = 0, FgMax = 0, FgMin = 0, FoutMin = 0;
        bool FmaxOut = false, FminOut = false; // shown in red
    };
    TLimitsStruct Limits() const { return limits_; }

private:
    void OutputTypeChange();
    void WeightEditChange(int unit);
    void ImpulseLenChange();
    void UpdateLimits();
    void SetEventList(int count);

    QComboBox *OutputType, *WorkMode, *OutEvent;
    TBitEditListBox* OutFlags;
    QGroupBox *WeightGroup, *LimitsGroup;
    std::array<QLineEdit*, kUnits> WeightEdits{};
    std::array<QRadioButton*, kUnits> UnitButtons{};
    QLineEdit* ImpulseLen;
    QSpinBox* Integrator;
    QLabel *WorkModeLabel, *ImpulseLenLabel, *IntegratorLabel;
    QLineEdit *Foutmax, *Fmax, *Fmin, *Foutmin;

    TWeighNotify OnChangeWeigh;
    float w_ = 0;     // m3 per pulse
    float len_ = 0;   // pulse duration, ms
    float qmin_ = 0;  // m3/h
    float qmax_ = 0;  // m3/h
    int unit_ = 0;
    bool changing_ = false;
    TLimitsStruct limits_;
};
