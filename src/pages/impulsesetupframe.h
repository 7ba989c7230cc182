#pragma once
// TImpulseSetup: the page "Выходов". It edits the meter's two discrete
// outputs, "Выход 1" and "Выход 2", each in a TImpulseOutFrame, and writes
// them as one block. A pulse or frequency output needs a pulse weight.

#include "pages/configuration.h"
#include "pages/impulseoutframe.h"
#include "pages/pageframe.h"

class QPushButton;

class TImpulseSetup : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TImpulseSetup(QWidget* parent = nullptr);

    void InitPage() override;
    // Both frames collect into the model; then a pulse or frequency output
    // with a zero weight refuses ("Не задан вес импульса 1" / "... 2").
    bool CollectPage() override;

    bool GetSetupClick(QObject* sender);
    bool SetSetupClick(QObject* sender);

    // Output 1 or 2.
    TImpulseOutFrame* OutFrame(int output) const { return output == 2 ? Out2 : Out1; }
    // The configuration file's `OutputSetup` section: `Out1` and `Out2`,
    // each the section of its frame. The reader applies both or, on a bad
    // attribute, neither.
    void WriteSection(const ZT_Pages::TConfiguration& node) const;
    void ReadSection(const ZT_Pages::TConfiguration& node);

    // The flow range of the calibration page, passed to both outputs.
    void SetQmin(double value);
    void SetQmax(double value);

private:
    TImpulseOutFrame *Out1, *Out2;
    QPushButton *GetSetup, *SetSetup;
};
