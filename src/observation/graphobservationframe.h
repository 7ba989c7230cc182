#pragma once
// TObservationFrame: the page "Показания". It plots the meter's seven live
// observation channels while the observation stream runs, chooses the
// quantity the meter puts into each channel, zooms and scrolls the chart,
// sums up the visible range and keeps the readings in CSV files. The source
// selection is kept in step in three places: the source boxes, the
// registry (every change by the user and every refresh) and the meter
// (on "Задать").

#include "device/zt_helper.h"
#include "observation/filter.h"
#include "pages/pageframe.h"

#include <qcustomplot.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QWheelEvent;

// The registry key of both live views' settings.
extern const char* const kGraphObservationSetupKey;

class TObservationFrame : public TDevicePageFrame {
    Q_OBJECT
public:
    static constexpr int kChanels = 7;

    explicit TObservationFrame(QWidget* parent = nullptr);

    void InitPage() override;
    void RefreshPage() override;
    bool CollectPage() override;
    // Takes the samples the stream collected and hands the poll interval
    // back through the same record.
    void TakeData(TInteract& record) override;

    // Puts the samples on the chart (one point per series each).
    void AddSamples(const std::vector<ObservationStruct>& samples);

    // Handlers; a null sender is a call from program code.
    void SourceChange(QObject* sender);
    void CheckBoxClick(QObject* sender);
    bool SetGraphSetupClick(QObject* sender);
    bool GetGraphSetupClick(QObject* sender);
    void ClearClick();
    void DeleteClick();
    void AutoClick();
    void ZoomOutClick();
    void ZoomInClick();
    void ProlongClick();
    void AllDataClick();
    void PrintClick();
    void AnalyzeClick();
    void SaveClick();
    void LoadClick();
    // The wheel on the chart with the keys held; true when it was used.
    bool ChartWheel(QWheelEvent* event);

    // The readings file: written atomically; a failure is logged.
    bool SaveReadings(const std::string& path);
    // Clears the chart (with its question) and loads the file.
    bool LoadReadings(const std::string& path);
    // "Показания_" + the configuration file's name proposal + the time.
    std::string ProposedFileName() const;

    // The visible point indices [from, to) of series 1.
    void VisibleRange(int32_t& from, int32_t& to) const;
    // The text of "Анализ".
    std::string Analysis() const;

    QCPGraph* Series(int n) const { return Series_[static_cast<size_t>(n - 1)]; }
    QCustomPlot* Chart() const { return Chart1; }
    bool BottomAuto() const { return BottomAuto_; }
    bool LeftAuto() const { return LeftAuto_; }
    int32_t TrackedSeries() const { return Tracked; }
    double SamplePosition() const { return Position; }
    uint32_t LastSampleCounter() const { return LastCounter; }

    // "Очистить текущие показания ?"; true for Yes.
    std::function<bool()> AskClear;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Series n follows check box n.
    void ApplyVisibility();
    // Recomputes the axes in automatic range and schedules a redraw.
    void UpdateChart();
    // The value ranges of the series, kept as points are added so that an
    // automatic left axis costs nothing per delivery; recomputed after
    // points were removed.
    void AddPoint(size_t series, double key, double value);
    void RecomputeRanges();
    // Fits the left axis to series `index` (0-based) over the visible range.
    void FitSeries(int index);
    void SetLeftManual(double lower, double upper);
    void SetBottomManual(double lower, double upper);
    void WriteRegistry(const std::string& name, int32_t value);

    QCustomPlot* Chart1;
    std::array<QCPGraph*, kChanels> Series_{};
    std::array<QComboBox*, kChanels> ComboBox{};
    std::array<QCheckBox*, kChanels> CheckBox{};
    QPushButton* SetGraphSetup;
    QPushButton* GetGraphSetup;
    QCheckBox* Scrolling;
    QCheckBox* Tracking;
    QSlider* ObservationRequestInterval;
    QLineEdit* RequestCount;

    double Position = 0;
    uint32_t LastCounter = 0;
    int32_t Tracked = -1;
    Filter RateFilter;
    std::array<QCPRange, kChanels> ValueRanges{};
    std::array<bool, kChanels> HasValues{};
    // A chart out of sight is drawn when it is shown again.
    bool RedrawPending = false;
    bool BottomAuto_ = true;
    bool LeftAuto_ = true;
};
