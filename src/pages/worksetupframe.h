#pragma once
// TWorkSetup: the page "Рабочие": the meter's own serial port, its two
// plug-in expansion cards, the flow and pressure thresholds, the filters,
// the start-stop input, the noise, water and supply thresholds, the
// pressure channel and the period of the interval archive. The registers of
// the block that no control shows are written back as they were read.

#include "pages/configuration.h"
#include "pages/pageframe.h"

#include <array>

class QPushButton;
class QRadioButton;
class TPlugInCard;

class TWorkSetup : public TDevicePageFrame {
    Q_OBJECT
public:
    explicit TWorkSetup(QWidget* parent = nullptr);

    void InitPage() override;
    void RefreshPage() override;

    // Handlers of "Считать" and "Установить"; a null sender is a call from
    // program code.
    bool GetSetupClick(QObject* sender);
    bool SetSetupClick(QObject* sender);

    // The configuration file's `WorkSetup` section, written from and read
    // into the device model. The writer first collects and checks the page
    // into the model; when the page refuses (its reason logged) the section
    // is left as it was and false is returned. The reader stores the
    // section into the model and refreshes the page from it.
    bool WriteSection(const ZT_Pages::TConfiguration& node);
    void ReadSection(const ZT_Pages::TConfiguration& node);

private:
    void BindCard(TPlugInCard* card, const ZT_namespace::TPluginFields& fields);

    TPlugInCard *PlugInCard1, *PlugInCard2;
    std::array<QRadioButton*, 4> StartStop{};
    QPushButton *GetSetup, *SetSetup;
};
