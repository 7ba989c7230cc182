#include "app/zt_framemain.h"

#include "channels/chanelhelper.h"
#include "device/zt_algorithm.h"
#include "pages/currentparamframe.h"
#include "pages/identificationframe.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

TZT_Frame* ZT_Frame = nullptr;

using namespace ZT_namespace;

namespace {

struct TSheetStruct {
    const char* Name;
    const char* Caption;
};

// The sheets in page-index order.
constexpr TSheetStruct SheetTable[kPageCount] = {
    {"CurrentSheet", "Текущие параметры"},
    {"ArchiveSheet", "Архивы"},
    {"NotStaffSheet", "Журнал НС"},
    {"JournalSheet", "Журнал оператора"},
    {"IdentificationSheet", "Настройки"},
    {"SetupSheet", "Системные настройки"},
    {"SetupSheet_2", "Системные настройки 2"},
    {"ImpulseOutTabSheet", "Выходов"},
    {"WorkSetupSheet", "Рабочие"},
    {"CalibrationSheet", "Калибровка"},
    {"ServiceParamSheet", "Сервисные параметры"},
    {"ServiceInfoSheet", "Сервисная информация"},
    {"GraphObservationSheet", "Показания"},
    {"AdcSignalTabSheet", "Сигнал АЦП"},
    {"StraitWorkTabSheet", "Проливка"},
};

// Read-all completes as these reads would, in this order.
constexpr int32_t ReadAllDispatchOrder[] = {
    5, 10, kReadIdentificationOperation, kReadServiceOperation, 15, 1, 3, 8, 6};

// Write-all collects the pages in this order and stops at the first refusal.
constexpr int32_t WriteAllOrder[] = {pgIdentification, pgSetup,      pgSetup2,
                                     pgCalibration,    pgImpulseOut, pgWorkSetup};

// The page-read table: the tag of a page's read and the block it reads (a
// multi-block read has no block).
struct TPageReadStruct {
    int32_t Page;
    int32_t Tag;
    const TBlockStruct* Block;
};
constexpr TPageReadStruct PageReads[] = {
    {pgCurrent, 5, &ZT_Blocks::CurrentParamsBlock},
    {pgIdentification, kReadIdentificationOperation, nullptr},
    {pgSetup, 1, &ZT_Blocks::SystemSetupBlock},
    {pgSetup2, 3, &ZT_Blocks::SystemSetup2Block},
    {pgImpulseOut, 8, &ZT_Blocks::OutputSetupBlock},
    {pgWorkSetup, 6, &ZT_Blocks::WorkSetupBlock},
    {pgServiceParam, kReadServiceOperation, nullptr},
    {pgServiceInfo, 15, &ZT_Blocks::ServiceInfoBlock},
};

bool IsPolledPage(int32_t page)
{
    return page == pgCurrent || page == pgIdentification || page == pgServiceParam || page == pgServiceInfo ||
           page == pgGraphObservation || page == pgStraitWork;
}

} // namespace

TDeviceStatusStruct DeviceStatusFromWords(uint16_t hardwareNotStaff, uint16_t workModeFlags,
                                          uint16_t systemNotStaff)
{
    TDeviceStatusStruct s;
    s.HardwareFault = (hardwareNotStaff & kHardwareFaultMask) != 0;
    s.Unstable = (systemNotStaff & kAlarmMask) != 0;
    s.QAboveMax = (systemNotStaff & kQmaxBit) != 0;
    s.QBelowMin = (systemNotStaff & kQminBit) != 0;
    s.ServiceMode = (workModeFlags & kServiceModeMask) != 0;
    s.EmptyPipe = (systemNotStaff & kEmptyPipeBit) != 0;
    s.Integration = (workModeFlags & kIntegrationBit) != 0;
    return s;
}

TZT_Frame::TZT_Frame(QWidget* parent) : QWidget(parent)
{
    setObjectName("ZT_Frame");
    setFocusPolicy(Qt::StrongFocus);
    ZT_Frame = this;
    PageHost = this;

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName("Splitter");
    Splitter->setHandleWidth(4);
    layout->addWidget(Splitter);

    TreeView_ = new QTreeWidget(Splitter);
    TreeView_->setObjectName("TreeView");
    TreeView_->setHeaderHidden(true);
    TreeView_->setIndentation(27);
    TreeView_->setIconSize(QSize(24, 24));
    TreeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView_->setMinimumWidth(100);

    PagePanel = new QWidget(Splitter);
    PagePanel->setObjectName("PagePanel");
    PagePanel->installEventFilter(this);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({197, 900});

    BuildSheets();
    BuildTree();
    connect(TreeView_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { TreeViewChange(current); });
    connect(PageControl_, &QTabWidget::currentChanged, this, [this](int index) { PageControlChange(index); });

    for (int32_t id = 1; id <= 8; ++id) {
        auto wrapper = std::make_unique<TProcessWrapper>(id);
        wrapper->OnComplete = [this](int32_t wid, int32_t tag) { ProcessComplete(wid, tag); };
        wrapper->OnError = [this](int32_t wid, int32_t tag, int32_t code) { ProcessError(wid, tag, code); };
        Wrappers[id - 1] = std::move(wrapper);
    }
    Wrappers[3]->OnData = [this](TInteract& record) {
        if (Pages[pgGraphObservation])
            Pages[pgGraphObservation]->TakeData(record);
    };
    Wrappers[4]->OnData = [this](TInteract& record) {
        if (Pages[pgAdcSignal])
            Pages[pgAdcSignal]->TakeData(record);
    };
    const int32_t progressPages[3] = {pgArchive, pgNotStaff, pgJournal};
    for (int i = 0; i < 3; ++i) {
        int32_t page = progressPages[i];
        Wrappers[5 + i]->OnProgress = [this, page](int32_t, int32_t, int32_t percent) {
            if (Pages[page])
                Pages[page]->ShowProgress(percent);
        };
    }

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TZT_Frame::TimerTick);
    Timer->start();
}

TZT_Frame::~TZT_Frame()
{
    Timer->stop();
    TreeView_->disconnect(this);
    PageControl_->disconnect(this);
    // Every worker ends before the device model and the pages go; the
    // pages go while the workspace is still whole.
    for (auto& wrapper : Wrappers)
        wrapper.reset();
    delete Splitter;
    Pages.fill(nullptr);
    if (ZT_Frame == this)
        ZT_Frame = nullptr;
    if (PageHost == this)
        PageHost = nullptr;
}

void TZT_Frame::BuildSheets()
{
    PageControl_ = new QTabWidget(PagePanel);
    PageControl_->setObjectName("PageControl");
    // The tabs sit on the right edge, beyond the visible part of the
    // widened control: pages are reached through the tree only.
    PageControl_->setTabPosition(QTabWidget::East);
    for (int32_t i = 0; i < kPageCount; ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(SheetTable[i].Name);
        PageControl_->addTab(sheet, QString::fromUtf8(SheetTable[i].Caption));
        Sheets[i] = sheet;
    }
}

void TZT_Frame::BuildTree()
{
    TreeView_->clear();
    auto node = [](const char* caption, int32_t page) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromUtf8(caption)});
        item->setData(0, Qt::UserRole, page);
        return item;
    };
    QTreeWidgetItem* current = node("Текущие параметры", pgCurrent);
    QTreeWidgetItem* archives = node("Архивы", pgArchive);
    archives->addChild(node("Журнал НС", pgNotStaff));
    archives->addChild(node("Журнал оператора", pgJournal));
    QTreeWidgetItem* setup = node("Настройки", pgIdentification);
    setup->addChild(node("Калибровка", pgCalibration));
    setup->addChild(node("Выходов", pgImpulseOut));
    setup->addChild(node("Рабочие", pgWorkSetup));
    QTreeWidgetItem* strait = node("Проливка", pgStraitWork);
    TreeView_->addTopLevelItems({current, archives, setup, strait});
    TreeView_->expandAll();
}

void TZT_Frame::AttachPage(int32_t index, TDevicePageFrame* page)
{
    if (index < 0 || index >= kPageCount || !page)
        return;
    page->setParent(Sheets[index]);
    Pages[index] = page;
    page->show();
    PanelResize();
}

void TZT_Frame::InitPages()
{
    if (!currentParams_) {
        currentParams_ = new TCurrentParams;
        AttachPage(pgCurrent, currentParams_);
    }
    if (!identification_) {
        identification_ = new TIdentification;
        AttachPage(pgIdentification, identification_);
    }
    // Static content, in the order the pages depend on one another.
    constexpr int32_t initOrder[kPageCount] = {pgCurrent,     pgIdentification,   pgArchive,   pgNotStaff,
                                               pgJournal,     pgGraphObservation, pgAdcSignal, pgSetup,
                                               pgSetup2,      pgCalibration,      pgWorkSetup, pgServiceParam,
                                               pgServiceInfo, pgImpulseOut,       pgStraitWork};
    for (int32_t index : initOrder)
        if (Pages[index])
            Pages[index]->InitPage();

    PageControl_->setCurrentIndex(pgCurrent);
    PanelResize();

    BuildTree();
    PageControl_->setTabVisible(pgGraphObservation, false);
    PageControl_->setTabVisible(pgAdcSignal, false);
    PageControl_->setTabVisible(pgServiceParam, false);
    TreeView_->setCurrentItem(TreeView_->topLevelItem(0));
}

void TZT_Frame::PanelResize()
{
    if (!PagePanel || !PageControl_)
        return;
    const int w = PagePanel->width();
    const int h = PagePanel->height();
    PageControl_->setGeometry(0, 0, w + 300, h);
    // Every page keeps to the visible part of its sheet; the wide pages
    // would otherwise put their right edge under the hidden tab column.
    for (int32_t i = 0; i < kPageCount; ++i)
        if (Pages[i])
            Pages[i]->setGeometry(0, 0, std::max(0, w - 4), std::max(0, h - 10));
}

bool TZT_Frame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PagePanel && event->type() == QEvent::Resize)
        PanelResize();
    return QWidget::eventFilter(watched, event);
}

void TZT_Frame::SetChanel(TChanelHelperBase* chanel)
{
    Chanel = chanel;
    Device_.SetChanel(chanel);
}

void TZT_Frame::SetMessageSink(TLogSink sink)
{
    MessageSink = std::move(sink);
    for (int i = 0; i < 6; ++i)
        Wrappers[i]->OnMessage = MessageSink;
}

void TZT_Frame::SetMainWindow(TMainWindowLink link)
{
    MainWindow = std::move(link);
}

void TZT_Frame::LogMessage(const std::string& text)
{
    if (MessageSink)
        MessageSink(text, nullptr);
}

void TZT_Frame::SetDeviceTitle(const std::string& text)
{
    if (MainWindow.SetDeviceTitle)
        MainWindow.SetDeviceTitle(text);
}

bool TZT_Frame::IsAutoRequest() const
{
    return MainWindow.IsAutoRequest && MainWindow.IsAutoRequest();
}

TProcessWrapper* TZT_Frame::Wrapper(int32_t id) const
{
    return id >= 1 && id <= 8 ? Wrappers[id - 1].get() : nullptr;
}

TDevicePageFrame* TZT_Frame::Page(int32_t index) const
{
    return index >= 0 && index < kPageCount ? Pages[index] : nullptr;
}

QWidget* TZT_Frame::Sheet(int32_t index) const
{
    return index >= 0 && index < kPageCount ? Sheets[index] : nullptr;
}

bool TZT_Frame::StartRead(int32_t tag, int32_t first, int32_t count, bool background,
                          const std::string& doneText)
{
    TProcessWrapper* wrapper = Wrapper(background ? 1 : 2);
    auto algorithm = std::make_unique<ZT_ReadModbusRegAlgorithm>(first, count, &Device_,
                                                                 wrapper->Container.get(), background);
    return wrapper->Start(std::move(algorithm), tag, background ? std::string() : doneText);
}

bool TZT_Frame::StartWrite(int32_t tag, int32_t first, int32_t count, const std::string& doneText)
{
    TProcessWrapper* wrapper = Wrapper(3);
    auto algorithm =
        std::make_unique<ZT_WriteModbusRegAlgorithm>(first, count, &Device_, wrapper->Container.get());
    return wrapper->Start(std::move(algorithm), tag, doneText);
}

bool TZT_Frame::StartMultiOperation(int32_t tag, bool background, const std::string& doneText)
{
    TProcessWrapper* wrapper = Wrapper(1);
    auto algorithm =
        std::make_unique<ZT_MultiReadWriteAlgorithm>(tag, &Device_, wrapper->Container.get(), background);
    return wrapper->Start(std::move(algorithm), tag, background ? std::string() : doneText);
}

bool TZT_Frame::StartArchiveRead(int32_t tag, const ZT_ReadArchiveDataSetup& setup)
{
    TProcessWrapper* wrapper = tag == 39   ? Wrapper(6)
                               : tag == 40 ? Wrapper(7)
                               : tag == 41 ? Wrapper(8)
                                           : nullptr;
    if (!wrapper)
        return false;
    auto algorithm = std::make_unique<ZT_ReadArchiveAlgorithm>(setup, &Device_, wrapper->Container.get());
    if (wrapper->Start(std::move(algorithm), tag, {}))
        return true;
    // The reading button doubles as its stop.
    wrapper->Cancel();
    return false;
}

bool TZT_Frame::ReadPage(int32_t page, bool background)
{
    // Only the pages of the table are read this way: the archive, graph
    // and workbench pages read only on their own buttons.
    for (const TPageReadStruct& read : PageReads) {
        if (read.Page != page)
            continue;
        if (TDevicePageFrame* frame = Page(page))
            return frame->ReadPage(background);
        // A page not built yet still has its block read, so that polling
        // and the other pages see current values.
        if (!read.Block)
            return StartMultiOperation(read.Tag, background, {});
        const TBlockStruct& block = *read.Block;
        return StartRead(read.Tag, block.First, block.Count, background, {});
    }
    return false;
}

void TZT_Frame::TimerTick()
{
    if (!Chanel || !Chanel->IsOpen()) {
        // A reconnect then always identifies the meter afresh.
        Device_.Reset();
        return;
    }
    if (!IsAutoRequest() || !IsPolledPage(CurrentPage))
        return;
    ReadPage(CurrentPage, true);
    if (CurrentPage != pgCurrent)
        ReadPage(pgCurrent, true);
}

void TZT_Frame::SelectPage(int32_t page)
{
    for (QTreeWidgetItemIterator it(TreeView_); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == page) {
            TreeView_->setCurrentItem(*it);
            return;
        }
}

void TZT_Frame::TreeViewChange(QTreeWidgetItem* current)
{
    if (!current)
        return;
    CurrentPage = current->data(0, Qt::UserRole).toInt();
    {
        // The page control's own change handler is for its tabs; the read
        // of a tree selection is made once, below.
        const QSignalBlocker blocker(PageControl_);
        PageControl_->setCurrentIndex(CurrentPage);
    }
    if (IsAutoRequest())
        ReadPage(CurrentPage, true);
}

void TZT_Frame::PageControlChange(int)
{
    if (IsAutoRequest())
        ReadPage(CurrentPage, true);
}

void TZT_Frame::RefreshPage(int32_t page)
{
    if (TDevicePageFrame* frame = Page(page))
        frame->RefreshPage();
    if (page == pgCurrent)
        ShowDeviceStatus();
}

void TZT_Frame::CheckIdentificationChanged()
{
    if (!Device_.IdentificationChanged())
        return;
    Device_.SetIdentificationChanged(false);
    for (int32_t page : {pgSetup, pgSetup2, pgIdentification})
        if (Pages[page])
            Pages[page]->IdentityChanged();
}

void TZT_Frame::ProcessComplete(int32_t, int32_t tag)
{
    CheckIdentificationChanged();
    Dispatch(tag);
}

void TZT_Frame::Dispatch(int32_t tag)
{
    switch (tag) {
    case 1:
        RefreshPage(pgSetup);
        break;
    case 3:
        RefreshPage(pgSetup2);
        break;
    case 5:
        RefreshPage(pgCurrent);
        break;
    case 6:
        RefreshPage(pgWorkSetup);
        break;
    case 8:
        RefreshPage(pgImpulseOut);
        break;
    case 10:
        RefreshPage(pgCalibration);
        break;
    case kReadServiceOperation:
        RefreshPage(pgServiceParam);
        break;
    case 15:
        RefreshPage(pgServiceInfo);
        break;
    case 21:
        RefreshPage(pgGraphObservation);
        break;
    case kReadIdentificationOperation:
        RefreshPage(pgIdentification);
        break;
    case kReadAllOperation:
        for (int32_t read : ReadAllDispatchOrder)
            Dispatch(read);
        break;
    case 39:
        RefreshPage(pgArchive);
        break;
    case 40:
        RefreshPage(pgNotStaff);
        break;
    case 41:
        RefreshPage(pgJournal);
        break;
    default:
        break;
    }
}

void TZT_Frame::ProcessError(int32_t, int32_t, int32_t)
{
    // The operations report their own failures in the exchange log.
}

TDeviceStatusStruct TZT_Frame::DeviceStatus()
{
    TDeviceHelperLocker locker(Device_);
    return DeviceStatusFromWords(Device_.Get(ZT_Fields::HardwareNotStaff),
                                 Device_.Get(ZT_Fields::WorkModeFlags),
                                 Device_.Get(ZT_Fields::SystemNotStaff));
}

void TZT_Frame::ShowDeviceStatus()
{
    if (!MainWindow.ShowDeviceStatus)
        return;
    TDeviceStatusStruct s = DeviceStatus();
    MainWindow.ShowDeviceStatus(s.HardwareFault, s.Unstable, s.QAboveMax, s.QBelowMin, s.ServiceMode,
                                s.EmptyPipe, s.Integration);
}

void TZT_Frame::ReadAllParams()
{
    // An edit that kept the focus would be skipped by the refreshes.
    setFocus(Qt::OtherFocusReason);
    StartMultiOperation(kReadAllOperation, false, "Все параметры считаны");
}

void TZT_Frame::WriteAllParams()
{
    for (int32_t page : WriteAllOrder)
        if (Pages[page] && !Pages[page]->CollectPage())
            return;
    StartMultiOperation(kWriteAllOperation, false, {});
}

bool TZT_Frame::CanCloseWorkspace()
{
    TDevicePageFrame* strait = Pages[pgStraitWork];
    if (!strait || !strait->IsModified())
        return true;
    return QMessageBox::question(this, QString::fromUtf8("Внимание"),
                                 QString::fromUtf8("Пакет не сохранен\nВыйти из программы ?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TZT_Frame::SetObservation(bool on)
{
    SetStream(4, on, [this](TInteractContainer* container) {
        return std::make_unique<ZT_ObservationAlgorithm>(&Device_, container);
    });
}

void TZT_Frame::SetAdcSignal(bool on)
{
    SetStream(5, on, [this](TInteractContainer* container) {
        return std::make_unique<ZT_AdcSignalAlgorithm>(&Device_, container);
    });
}

void TZT_Frame::SetStream(int32_t id, bool on,
                          const std::function<std::unique_ptr<ProcessAlgorithm>(TInteractContainer*)>& make)
{
    // The stream's wrapper id is also its tag.
    TProcessWrapper* wrapper = Wrapper(id);
    if (on && !wrapper->IsRunning())
        wrapper->Start(make(wrapper->Container.get()), id, {});
    else if (!on && wrapper->IsRunning())
        wrapper->Cancel();
}

void TZT_Frame::ToggleIntegration(bool running)
{
    if (!currentParams_)
        return;
    if (running)
        currentParams_->StopButtonClick(nullptr);
    else
        currentParams_->StartButtonClick(nullptr);
}
