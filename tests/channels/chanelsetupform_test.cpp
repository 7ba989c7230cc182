// The channel choice dialog, the serial and TCP settings frames and the
// TX/RX lamps, on the offscreen platform.

#include "channels/chanelsetupform.h"
#include "channels/comportchanelframe.h"
#include "channels/tcpchanelframe.h"
#include "channels/txrxwrapper.h"
#include "util/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "chanelsetupform_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

const std::string kKey = "\\Software\\Test\\ChanelSetup";

class ChanelSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        TRegistry registry;
        registry.DeleteKey("\\Software\\Test");
    }
    static void WriteInt(const std::string& key, const std::string& name, int32_t value)
    {
        TRegistry registry;
        registry.OpenKey(key, true);
        registry.WriteInteger(name, value);
    }
    static void WriteString(const std::string& key, const std::string& name, const std::string& value)
    {
        TRegistry registry;
        registry.OpenKey(key, true);
        registry.WriteString(name, value);
    }
    static TRegDataType TypeOf(const std::string& key, const std::string& name)
    {
        TRegistry registry;
        if (!registry.OpenKey(key, false))
            return TRegDataType::rdUnknown;
        return registry.GetDataType(name);
    }
    static int32_t ReadInt(const std::string& key, const std::string& name)
    {
        TRegistry registry;
        registry.OpenKey(key, false);
        return registry.ReadIntegerDef(name, -1);
    }
};

// A loopback listener the TCP channel can connect to.
struct TListener {
    TListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(fd, 4);
        socklen_t length = sizeof(address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~TListener() { ::close(fd); }
    int fd = -1;
    uint16_t port = 0;
};

TEST_F(ChanelSetupTest, CurentChanelValue_SelectsKindOfChannel)
{
    struct Case {
        const char* what;
        int stored; // -1: absent, -2: stored as a string
        int32_t kind;
    };
    const Case cases[] = {
        {"absent", -1, ckComPort}, {"string", -2, ckComPort}, {"serial", 0, ckComPort}, {"tcp", 1, ckTcp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.stored == -2)
            WriteString(kKey, kCurentChanelValue, "1");
        else if (c.stored >= 0)
            WriteInt(kKey, kCurentChanelValue, c.stored);
        TChanelSetupFrame dialog(nullptr, kKey);
        ASSERT_NE(dialog.CurrentChanel(), nullptr);
        EXPECT_EQ(dialog.CurrentChanel()->ChanelKind(), c.kind);
        EXPECT_EQ(dialog.ChanelComboBox->currentIndex(), c.kind);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Настройка канала связи"));
        EXPECT_EQ(dialog.ChanelComboBox->itemText(0), QString::fromUtf8("COM порт (RS232 / RS485)"));
        EXPECT_EQ(dialog.ChanelComboBox->itemText(1), QString::fromUtf8("TCP / IP (прозрачный канал)"));
        if (c.kind == ckComPort)
            EXPECT_NE(qobject_cast<TComPortChanelFrame*>(dialog.SetupFrame()), nullptr);
        else
            EXPECT_NE(qobject_cast<TTcpChanelFrame*>(dialog.SetupFrame()), nullptr);
    }
}

TEST_F(ChanelSetupTest, LeftWithoutOkAfterChange_KeepsChannelAndItsSettings)
{
    WriteString(kKey + "\\TcpChanel", "TcpAddress", "10.0.0.9");
    TChanelSetupFrame dialog(nullptr, kKey);
    TChanelHelperBase* before = dialog.CurrentChanel();
    auto* serial = dynamic_cast<ComPortChanelHelper*>(before);
    ASSERT_NE(serial, nullptr);
    serial->Params.ComPortName = "ttyS3";

    dialog.ChanelComboBox->setCurrentIndex(ckTcp);
    auto* frame = qobject_cast<TTcpChanelFrame*>(dialog.SetupFrame());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->IP_Address->currentText(), QString("10.0.0.9"));
    EXPECT_EQ(dialog.CurrentChanel(), before);
    dialog.reject();

    EXPECT_EQ(dialog.CurrentChanel(), before);
    EXPECT_EQ(serial->Params.ComPortName, "ttyS3");
    EXPECT_EQ(dialog.ChanelComboBox->currentIndex(), ckComPort);
    EXPECT_NE(qobject_cast<TComPortChanelFrame*>(dialog.SetupFrame()), nullptr);
    EXPECT_EQ(TypeOf(kKey, kCurentChanelValue), TRegDataType::rdUnknown);
}

TEST_F(ChanelSetupTest, OkAfterChange_BuildsNewKindWithEditedSettingsAndStoresKind)
{
    TChanelSetupFrame dialog(nullptr, kKey);
    dialog.ChanelComboBox->setCurrentIndex(ckTcp);
    auto* frame = qobject_cast<TTcpChanelFrame*>(dialog.SetupFrame());
    ASSERT_NE(frame, nullptr);
    frame->IP_Address->setEditText("192.168.1.20");
    frame->IP_Port->setText("502");
    frame->NetAddress->setValue(7);
    dialog.OkButton->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    auto* tcp = dynamic_cast<TcpChanelHelper*>(dialog.CurrentChanel());
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->Params.TcpAddress, "192.168.1.20");
    EXPECT_EQ(tcp->Params.TcpPort, 502);
    EXPECT_EQ(tcp->Params.NetAddr, 7);
    EXPECT_EQ(tcp->KeyPath, kKey + "\\TcpChanel");
    EXPECT_EQ(ReadInt(kKey, kCurentChanelValue), ckTcp);
    // The frame on the panel now edits the channel itself.
    auto* bound = qobject_cast<TTcpChanelFrame*>(dialog.SetupFrame());
    ASSERT_NE(bound, nullptr);
    bound->IP_Port->setText("4002");
    EXPECT_EQ(tcp->Params.TcpPort, 4002);
}

TEST_F(ChanelSetupTest, ModalCancelThroughExec_KeepsChannel)
{
    TChanelSetupFrame dialog(nullptr, kKey);
    TChanelHelperBase* before = dialog.CurrentChanel();
    QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.ChanelComboBox->setCurrentIndex(ckTcp);
        dialog.reject();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.CurrentChanel(), before);
    EXPECT_EQ(dialog.CurrentChanel()->ChanelKind(), ckComPort);
}

TEST_F(ChanelSetupTest, OpenOrBusyChannel_DisablesListPanelAndOk)
{
    TListener listener;
    WriteInt(kKey, kCurentChanelValue, ckTcp);
    WriteString(kKey + "\\TcpChanel", "TcpAddress", "127.0.0.1");
    WriteInt(kKey + "\\TcpChanel", "TcpPort", listener.port);
    TChanelSetupFrame dialog(nullptr, kKey);
    dialog.CurrentChanel()->Open(nullptr);
    ASSERT_TRUE(dialog.CurrentChanel()->IsOpen());

    dialog.show();
    EXPECT_FALSE(dialog.ChanelComboBox->isEnabled());
    EXPECT_FALSE(dialog.ParamsPanel->isEnabled());
    EXPECT_FALSE(dialog.OkButton->isEnabled());
    dialog.hide();

    dialog.CurrentChanel()->Close(nullptr);
    dialog.show();
    EXPECT_TRUE(dialog.ChanelComboBox->isEnabled());
    EXPECT_TRUE(dialog.OkButton->isEnabled());
    dialog.hide();

    dialog.SetChanelBusy(true);
    dialog.show();
    EXPECT_FALSE(dialog.OkButton->isEnabled());
    dialog.hide();
}

TEST_F(ChanelSetupTest, NoKeyPath_ReadsAndWritesNothing)
{
    WriteInt(kKey, kCurentChanelValue, ckTcp);
    TChanelSetupFrame dialog(nullptr, "");
    EXPECT_EQ(dialog.CurrentChanel()->ChanelKind(), ckComPort);
    dialog.ChanelComboBox->setCurrentIndex(ckTcp);
    dialog.accept();
    EXPECT_EQ(dynamic_cast<TcpChanelHelper*>(dialog.CurrentChanel())->KeyPath, "");
    EXPECT_EQ(ReadInt(kKey, kCurentChanelValue), ckTcp);
}

class ComPortFrameTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    TComPortChanelParams params;
};

TEST_F(ComPortFrameTest, PortEntry_NameBeforeFirstBlank)
{
    TComPortChanelFrame frame(params);
    frame.ComPortCombo->Lister = [](std::vector<comprt::ComPortDescription>& list) {
        list = {{"COM7", "USB Serial, Maker"}, {"ttyS0", ""}};
    };
    frame.ComPortCombo->RebuildList();
    ASSERT_EQ(frame.ComPortCombo->count(), 2);
    EXPECT_EQ(frame.ComPortCombo->itemText(0), QString("COM7  [USB Serial, Maker]"));
    EXPECT_EQ(frame.ComPortCombo->itemText(1), QString("ttyS0"));

    frame.ComPortCombo->setCurrentIndex(0);
    EXPECT_EQ(params.ComPortName, "COM7");
    frame.ComPortCombo->setCurrentIndex(1);
    EXPECT_EQ(params.ComPortName, "ttyS0");
    frame.ComPortCombo->setEditText("/dev/pts/5");
    EXPECT_EQ(params.ComPortName, "/dev/pts/5");
}

TEST_F(ComPortFrameTest, RebuildOnDropDown_KeepsTypedTextAndFollowsPortsPresent)
{
    params.ComPortName = "ttyUSB1";
    TComPortChanelFrame frame(params);
    std::vector<comprt::ComPortDescription> present = {{"ttyS0", ""}};
    frame.ComPortCombo->Lister = [&present](std::vector<comprt::ComPortDescription>& list) {
        list = present;
    };
    frame.ComPortCombo->RebuildList();
    EXPECT_EQ(frame.ComPortCombo->count(), 1);
    present.push_back({"ttyUSB0", "FT232R"});
    frame.ComPortCombo->RebuildList();
    EXPECT_EQ(frame.ComPortCombo->count(), 2);
    EXPECT_EQ(frame.ComPortCombo->currentText(), QString("ttyUSB1"));
    EXPECT_EQ(params.ComPortName, "ttyUSB1");
}

TEST_F(ComPortFrameTest, FillAndEdits_ReachSettings)
{
    params = {"ttyS2", "8 800 12", 9600, 17, 0, true};
    TComPortChanelFrame frame(params);
    EXPECT_EQ(frame.ComPortCombo->currentText(), QString("ttyS2"));
    EXPECT_EQ(frame.PortSpeed->currentText(), QString("9600"));
    EXPECT_EQ(frame.NetAddress->value(), 17);
    EXPECT_EQ(frame.NetAddress->maximum(), 254);
    EXPECT_EQ(frame.NetAddress->minimum(), 0);
    EXPECT_TRUE(frame.ModemConnection->isChecked());
    EXPECT_TRUE(frame.PhoneNumber->isEnabled());
    EXPECT_EQ(frame.PhoneNumber->text(), QString("8 800 12"));
    EXPECT_EQ(frame.PortSpeed->count(), 8);

    frame.PortSpeed->setEditText("abc");
    EXPECT_EQ(params.Speed, 0);
    frame.PortSpeed->setCurrentText("115200");
    EXPECT_EQ(params.Speed, 115200);
    frame.NetAddress->setValue(300);
    EXPECT_EQ(params.NetAddr, 254);
    frame.ModemConnection->click();
    EXPECT_FALSE(params.ModemConnection);
    EXPECT_FALSE(frame.PhoneNumber->isEnabled());
    EXPECT_EQ(frame.PhoneNumber->palette().color(QPalette::Base), TTxRxWrapper::ButtonFace());
    frame.PhoneNumber->setText("123");
    EXPECT_EQ(params.PhoneNumber, "123");
}

TEST(TcpFrameTest, FillSortsAddressesAndReadsNumbers)
{
    App();
    TTcpChanelParams params;
    params.TcpAddress = "10.0.0.7";
    params.IPAddressList = {"10.0.0.7", "10.0.0.5", "192.168.0.1"};
    TTcpChanelFrame frame(params);
    ASSERT_EQ(frame.IP_Address->count(), 3);
    EXPECT_EQ(frame.IP_Address->itemText(0), QString("10.0.0.5"));
    EXPECT_EQ(frame.IP_Address->itemText(2), QString("192.168.0.1"));
    EXPECT_EQ(frame.IP_Address->currentText(), QString("10.0.0.7"));
    EXPECT_EQ(frame.IP_Port->text(), QString("4001"));
    EXPECT_EQ(frame.TcpTimeout->text(), QString("1000"));
    EXPECT_EQ(frame.TcpPause->text(), QString("0"));

    frame.IP_Port->setText("x1");
    EXPECT_EQ(params.TcpPort, 0);
    frame.TcpTimeout->setText("250");
    EXPECT_EQ(params.TcpTimeout, 250);
    frame.TcpPause->setText("20");
    EXPECT_EQ(params.TcpPause, 20);
    frame.IP_Address->setCurrentIndex(2);
    EXPECT_EQ(params.TcpAddress, "192.168.0.1");
}

class TxRxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        tx = new QLabel("TX");
        rx = new QLabel("RX");
        lamps.SetIndicators(tx, rx);
    }
    void TearDown() override
    {
        delete tx;
        delete rx;
    }
    static QColor Colour(QWidget* w) { return w->palette().color(QPalette::Window); }
    TTxRxWrapper lamps;
    QLabel* tx = nullptr;
    QLabel* rx = nullptr;
};

TEST_F(TxRxTest, Transmit_YellowForFiveTicksAndRestartedByNextFrame)
{
    lamps.HandleCode(kIndicatorOpened);
    lamps.HandleCode(kIndicatorTransmit);
    for (int i = 0; i < 3; ++i)
        lamps.Tick();
    EXPECT_EQ(Colour(tx), TTxRxWrapper::Yellow());
    lamps.HandleCode(kIndicatorTransmit);
    for (int i = 0; i < 4; ++i) {
        lamps.Tick();
        EXPECT_EQ(Colour(tx), TTxRxWrapper::Yellow()) << i;
    }
    lamps.Tick();
    EXPECT_EQ(Colour(tx), TTxRxWrapper::BrightGreen());
    EXPECT_EQ(Colour(rx), TTxRxWrapper::BrightGreen());
}

TEST_F(TxRxTest, Codes_ColourTheLampsOfTheTable)
{
    lamps.HandleCode(kIndicatorReceive);
    EXPECT_EQ(Colour(rx), TTxRxWrapper::Yellow());
    EXPECT_EQ(lamps.RxCount(), 5);
    lamps.HandleCode(kIndicatorFailed);
    EXPECT_EQ(Colour(rx), TTxRxWrapper::Black());
    lamps.HandleCode(kIndicatorClosed);
    EXPECT_EQ(Colour(tx), TTxRxWrapper::ButtonFace());
    EXPECT_EQ(Colour(rx), TTxRxWrapper::ButtonFace());
    lamps.HandleCode(kIndicatorOpened);
    EXPECT_EQ(Colour(tx), TTxRxWrapper::BrightGreen());
    EXPECT_EQ(Colour(rx), TTxRxWrapper::BrightGreen());
}

TEST_F(TxRxTest, StateCodeAfterFrames_IsNotPaintedOverByTheCountdown)
{
    struct Case {
        std::vector<intptr_t> codes;
        QColor tx, rx;
    };
    const Case cases[] = {
        {{kIndicatorTransmit, kIndicatorReceive, kIndicatorClosed},
         TTxRxWrapper::ButtonFace(),
         TTxRxWrapper::ButtonFace()},
        {{kIndicatorReceive, kIndicatorFailed}, TTxRxWrapper::BrightGreen(), TTxRxWrapper::Black()},
        {{kIndicatorTransmit, kIndicatorReceive, kIndicatorOpened},
         TTxRxWrapper::BrightGreen(),
         TTxRxWrapper::BrightGreen()},
    };
    for (const Case& c : cases) {
        lamps.HandleCode(kIndicatorOpened);
        for (intptr_t code : c.codes)
            lamps.HandleCode(code);
        for (int i = 0; i < TTxRxWrapper::kCountdown; ++i)
            lamps.Tick();
        EXPECT_EQ(Colour(tx), c.tx) << c.codes.back();
        EXPECT_EQ(Colour(rx), c.rx) << c.codes.back();
    }
}

TEST_F(TxRxTest, PostedFromWorker_ReachesLampOnWindowThreadAndTimerTurnsItGreen)
{
    TQueueDispatcher queue;
    TDispatcherScope scope(&queue);
    TTxRxWrapper posted;
    posted.SetIndicators(tx, rx);
    TNotifyWindow window = posted.Window();
    std::thread worker([window] { window.Post(WM_INDICATOR, kIndicatorTransmit, 0); });
    worker.join();
    EXPECT_EQ(queue.ProcessMessages(), 1);
    EXPECT_EQ(Colour(tx), TTxRxWrapper::Yellow());
    // The 5 ms timer runs on the Qt loop.
    for (int i = 0; i < 100 && Colour(tx) != TTxRxWrapper::BrightGreen(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(2000);
    }
    EXPECT_EQ(Colour(tx), TTxRxWrapper::BrightGreen());
}

TEST_F(TxRxTest, IndicatorThatIsNoPanel_IsLeftAlone)
{
    QWidget plain;
    const QColor before = plain.palette().color(QPalette::Window);
    TTxRxWrapper other;
    other.SetIndicators(&plain, nullptr);
    other.HandleCode(kIndicatorTransmit);
    other.HandleCode(kIndicatorReceive);
    EXPECT_EQ(plain.palette().color(QPalette::Window), before);
}

} // namespace
