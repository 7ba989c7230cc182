#pragma once
// TChanelSetupFrame: the channel choice dialog "Настройка канала связи". It
// owns the current channel, builds it from the registry at creation, shows
// the settings frame of the chosen kind and stores the kind on OK.
//
// A newly chosen kind is only edited while the dialog is open (its settings
// are loaded from the registry into a pending record); the channel of that
// kind is built on OK. Left any other way, the dialog keeps the channel it
// had, so a caller holding that channel never refers to a destroyed object.

#include "channels/chanelhelper.h"
#include "channels/comportchanel.h"
#include "channels/tcpchanel.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;
class QWidget;

class TChanelSetupFrame : public QDialog {
    Q_OBJECT
public:
    TChanelSetupFrame(QWidget* owner, const std::string& keyPath);
    ~TChanelSetupFrame() override;

    TChanelHelperBase* CurrentChanel() const { return chanel_.get(); }
    // The list, the settings panel and OK are disabled while the channel is
    // open or an open or close of it is under way.
    void SetChanelOpened(bool open);
    void SetChanelBusy(bool busy) { busy_ = busy; }
    // The settings frame on the panel (a TComPortChanelFrame or a
    // TTcpChanelFrame), null without a channel.
    QWidget* SetupFrame() const { return frame_; }

    void done(int result) override;

    QComboBox* ChanelComboBox = nullptr;
    QWidget* ParamsPanel = nullptr;
    QPushButton* OkButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SelectionChanged(int index);
    void ShowFrame();
    void Commit();
    void Revert();
    int32_t CurrentKind() const;

    std::string keyPath_;
    std::unique_ptr<TChanelHelperBase> chanel_;
    // Channels replaced by an OK. They are closed, but an operation started
    // on one just before may still be finishing; they go with the dialog.
    std::vector<std::unique_ptr<TChanelHelperBase>> retired_;
    int32_t pendingKind_ = -1;
    TComPortChanelParams pendingComPort_;
    TTcpChanelParams pendingTcp_;
    QWidget* frame_ = nullptr;
    bool busy_ = false;
    bool selecting_ = false;
};
