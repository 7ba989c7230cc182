#pragma once
// TAdcSignalView: the page "Сигнал АЦП". While the ADC signal stream runs
// it draws one excitation cycle as the meter sampled it: the signal halves
// A and B and their difference code over the cycle's time, and the
// inductor current and voltage over their sample number.

#include "pages/pageframe.h"

#include <array>
#include <vector>

class QCheckBox;
class QCustomPlot;
class QCPGraph;
class QPushButton;
class QSpinBox;

class TAdcSignalView : public TDevicePageFrame {
    Q_OBJECT
public:
    static constexpr int kSeries = 5;

    explicit TAdcSignalView(QWidget* parent = nullptr);

    void InitPage() override;
    void TakeData(TInteract& record) override;
    void TakeAdcTiming(double periodMs, double offsetMs) override;

    // Draws one frame: the halves A and B of the signal and the inductor
    // current and voltage samples.
    void ShowSignal(const std::vector<double>& signalA, const std::vector<double>& signalB,
                    const std::vector<double>& current, const std::vector<double>& voltage);
    // The stream's wait between requests, in 10 ms steps.
    int RequestTicks() const;

    void CheckBoxClick();
    void PrintChartClick();

    QCPGraph* Series(int n) const { return Series_[static_cast<size_t>(n - 1)]; }
    double SamplePeriod() const { return Period; }
    double TimeOffset() const { return Offset; }

private:
    void UpdateChart();

    QCustomPlot* Chart1;
    std::array<QCPGraph*, kSeries> Series_{};
    std::array<QCheckBox*, kSeries> CheckBox{};
    QPushButton* PrintChart;
    QSpinBox* AdcSignalRequestInterval;

    // The time between two signal samples and of the first one's
    // reference, ms (from the system settings).
    double Period = 4;
    double Offset = 10;
};
