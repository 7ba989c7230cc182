#include "app/zt_framemain.h"

#include "app/treeimages.h"
#include "archives/archiveframe.h"
#include "archives/journalframe.h"
#include "archives/notstaffarchiveframe.h"
#include "channels/chanelhelper.h"
#include "device/zt_algorithm.h"
#include "observation/adcsignalframe.h"
#include "observation/graphobservationframe.h"
#include "pages/calibrationframe.h"
#include "pages/configuration.h"
#include "pages/currentparamframe.h"
#include "pages/identificationframe.h"
#include "pages/impulsesetupframe.h"
#include "pages/serviceinfoframe.h"
#include "pages/servicesetupframe.h"
#include "pages/systemsetup2frame.h"
#include "pages/systemsetupframe.h"
#include "pages/worksetupframe.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

TZT_Frame* ZT_Frame = nullptr;

using namespace ZT_namespace;

namespace {

template <class T> TDevicePageFrame* Make()
{
    return new T;
}

} // namespace

// The pages in their initialisation order.
const TPageStruct PageTable[kPageCount] = {
    // index, sheet, caption, tree place, parent, image, make, block, select read, polled, hidden, read-all,
    // write-all
    {pgCurrent, "CurrentSheet", "Текущие параметры", 1, -1, 1, Make<TCurrentParams>,
     &ZT_Blocks::CurrentParamsBlock, true, true, false, 1, 0},
    {pgIdentification, "IdentificationSheet", "Настройки", 5, -1, 5, Make<TIdentification>,
     &ZT_Blocks::IdentificationBlock, true, true, false, 3, 1},
    {pgArchive, "ArchiveSheet", "Архивы", 2, -1, 2, Make<TArchiveParam>, nullptr, false, false, false, 0, 0},
    {pgNotStaff, "NotStaffSheet", "Журнал НС", 3, pgArchive, 4, Make<TNotStaffArchive>, nullptr, false, false,
     false, 0, 0},
    {pgJournal, "JournalSheet", "Журнал оператора", 4, pgArchive, 4, Make<TJournalArchive>, nullptr, false, false,
     false, 0, 0},
    {pgGraphObservation, "GraphObservationSheet", "Показания", 0, -1, 0, Make<TObservationFrame>,
     &ZT_Blocks::ObservationSetupBlock, false, true, true, 0, 0},
    {pgAdcSignal, "AdcSignalTabSheet", "Сигнал АЦП", 0, -1, 0, Make<TAdcSignalView>, nullptr, false, false, true,
     0, 0},
    {pgSetup, "SetupSheet", "Системные настройки", 0, -1, 0, Make<TSystemSetup>, &ZT_Blocks::SystemSetupBlock,
     true, false, false, 6, 2},
    {pgSetup2, "SetupSheet_2", "Системные настройки 2", 0, -1, 0, Make<TSystemSetup_2>,
     &ZT_Blocks::SystemSetup2Block, true, false, false, 7, 3},
    {pgCalibration, "CalibrationSheet", "Калибровка", 6, pgIdentification, 9, Make<TCalibrationSetup>,
     &ZT_Blocks::CalibrationBlock, false, false, false, 2, 4},
    {pgWorkSetup, "WorkSetupSheet", "Рабочие", 8, pgIdentification, 8, Make<TWorkSetup>,
     &ZT_Blocks::WorkSetupBlock, true, false, false, 9, 6},
    {pgServiceParam, "ServiceParamSheet", "Сервисные параметры", 0, -1, 0, Make<TServiceSetup>,
     &ZT_Blocks::ServiceSetupBlock, true, true, true, 4, 0},
    {pgServiceInfo, "ServiceInfoSheet", "Сервисная информация", 0, -1, 0, Make<TServiceInfo>,
     &ZT_Blocks::ServiceInfoBlock, true, true, false, 5, 0},
    {pgImpulseOut, "ImpulseOutTabSheet", "Выходов", 7, pgIdentification, 16, Make<TImpulseSetup>,
     &ZT_Blocks::OutputSetupBlock, true, false, false, 8, 5},
    {pgStraitWork, "StraitWorkTabSheet", "Проливка", 9, -1, 3, nullptr, nullptr, false, true, false, 0, 0},
};

const TPageStruct& PageRow(int32_t index)
{
    for (const TPageStruct& row : PageTable)
        if (row.Index == index)
            return row;
    return PageTable[0];
}

// What each completion refreshes. Writes and commands refresh nothing.
const TTagStruct TagTable[] = {
    {1, pgSetup, &TZT_Frame::PassAdcTiming, 0},
    {3, pgSetup2, nullptr, 0},
    {5, pgCurrent, &TZT_Frame::ShowDeviceStatus, 0},
    {6, pgWorkSetup, nullptr, 0},
    {8, pgImpulseOut, nullptr, 0},
    {10, pgCalibration, nullptr, 0},
    {kReadServiceOperation, pgServiceParam, nullptr, 0},
    {15, pgServiceInfo, nullptr, 0},
    {21, pgGraphObservation, nullptr, 0},
    {kReadIdentificationOperation, pgIdentification, nullptr, 0},
    {ArchiveRead.Tag, pgArchive, nullptr, 6},
    {AlarmJournalRead.Tag, pgNotStaff, nullptr, 7},
    {OperatorJournalRead.Tag, pgJournal, nullptr, 8},
};

namespace {

const TTagStruct* TagRow(int32_t tag)
{
    for (const TTagStruct& row : TagTable)
        if (row.Tag == tag)
            return &row;
    return nullptr;
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
    for (const TTagStruct& row : TagTable) {
        if (row.Wrapper == 0)
            continue;
        const int32_t page = row.Page;
        Wrappers[row.Wrapper - 1]->OnProgress = [this, page](int32_t, int32_t, int32_t percent) {
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
        sheet->setObjectName(PageRow(i).Sheet);
        PageControl_->addTab(sheet, QString::fromUtf8(PageRow(i).Caption));
        Sheets[i] = sheet;
    }
}

void TZT_Frame::BuildTree()
{
    TreeView_->clear();
    std::vector<const TPageStruct*> order;
    for (const TPageStruct& row : PageTable)
        if (row.TreePlace > 0 || (ShowHidden && row.HiddenSheet))
            order.push_back(&row);
    // Shown hidden sheets (no place of their own) come last.
    std::stable_sort(order.begin(), order.end(), [](const TPageStruct* a, const TPageStruct* b) {
        return (a->TreePlace > 0 ? a->TreePlace : kPageCount + 1) <
               (b->TreePlace > 0 ? b->TreePlace : kPageCount + 1);
    });
    std::array<QTreeWidgetItem*, kPageCount> nodes{};
    for (const TPageStruct* row : order) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromUtf8(row->Caption)});
        item->setData(0, Qt::UserRole, row->Index);
        item->setIcon(0, TreeImage(row->Image));
        nodes[row->Index] = item;
        if (row->Parent < 0)
            TreeView_->addTopLevelItem(item);
        else if (QTreeWidgetItem* parent = nodes[row->Parent])
            parent->addChild(item);
    }
    TreeView_->expandAll();
}

void TZT_Frame::AttachPage(int32_t index, TDevicePageFrame* page)
{
    if (index < 0 || index >= kPageCount || !page)
        return;
    page->setParent(Sheets[index]);
    page->SetPageBlock(PageRow(index).Block);
    Pages[index] = page;
    page->show();
    PanelResize();
}

void TZT_Frame::InitPages()
{
    for (const TPageStruct& row : PageTable)
        if (row.Make && !Pages[row.Index])
            AttachPage(row.Index, row.Make());
    // Static content, in the order the pages depend on one another.
    for (const TPageStruct& row : PageTable)
        if (Pages[row.Index])
            Pages[row.Index]->InitPage();

    // Cross-page wiring. The output frames' limits follow the calibration
    // page's flow range.
    auto* calibration = PageOf<TCalibrationSetup>(pgCalibration);
    auto* outputs = PageOf<TImpulseSetup>(pgImpulseOut);
    if (calibration && outputs) {
        connect(calibration, &TCalibrationSetup::QminChanged, outputs, &TImpulseSetup::SetQmin);
        connect(calibration, &TCalibrationSetup::QmaxChanged, outputs, &TImpulseSetup::SetQmax);
    }

    PageControl_->setCurrentIndex(pgCurrent);
    PanelResize();

    BuildTree();
    for (const TPageStruct& row : PageTable)
        PageControl_->setTabVisible(row.Index, !row.HiddenSheet || ShowHidden);
    TreeView_->setCurrentItem(TreeView_->topLevelItem(0));
}

void TZT_Frame::ShowHiddenSheets()
{
    ShowHidden = true;
    QTreeWidgetItem* current = TreeView_->currentItem();
    const int32_t page = current ? current->data(0, Qt::UserRole).toInt() : pgCurrent;
    {
        const QSignalBlocker blocker(TreeView_);
        BuildTree();
    }
    for (const TPageStruct& row : PageTable)
        if (row.HiddenSheet)
            PageControl_->setTabVisible(row.Index, true);
    SelectPage(page);
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
    // The journal readings (wrappers 7 and 8) report their texts and
    // failures like the archive reading does.
    for (int i = 0; i < 8; ++i)
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

bool TZT_Frame::StartArchiveRead(const TArchiveReadStruct& read, const ZT_ReadArchiveDataSetup& setup)
{
    const TTagStruct* row = TagRow(read.Tag);
    TProcessWrapper* wrapper = row ? Wrapper(row->Wrapper) : nullptr;
    if (!wrapper)
        return false;
    auto algorithm = std::make_unique<ZT_ReadArchiveAlgorithm>(setup, &Device_, wrapper->Container.get());
    if (wrapper->Start(std::move(algorithm), read.Tag, std::string(read.DoneText)))
        return true;
    // The reading button doubles as its stop.
    wrapper->Cancel();
    return false;
}

bool TZT_Frame::ReadBlock(const TBlockStruct& block, bool background)
{
    const std::string text(block.ReadText);
    switch (block.Read) {
    case TBlockRead::Range:
        return StartRead(block.ReadTag, block.First, block.Count, background, text);
    case TBlockRead::Sequence:
        return StartMultiOperation(block.ReadTag, background, text);
    default:
        return false;
    }
}

bool TZT_Frame::WriteBlock(const TBlockStruct& block, bool second)
{
    const int32_t tag = second ? block.WriteTag2 : block.WriteTag;
    if (tag == 0)
        return false;
    return StartWrite(tag, block.First, block.Count,
                      std::string(second ? block.WriteText2 : block.WriteText));
}

bool TZT_Frame::ReadPage(int32_t page, bool background)
{
    // Only the pages that a selection reads are read this way: the archive,
    // graph and workbench pages read only on their own buttons.
    if (page < 0 || page >= kPageCount)
        return false;
    const TPageStruct& row = PageRow(page);
    if (!row.SelectRead || !row.Block)
        return false;
    if (TDevicePageFrame* frame = Page(page))
        return frame->ReadPage(background);
    // A page not built yet still has its block read, so that polling and
    // the other pages see current values.
    return ReadBlock(*row.Block, background);
}

void TZT_Frame::TimerTick()
{
    if (!Chanel || !Chanel->IsOpen()) {
        // A reconnect then always identifies the meter afresh.
        Device_.Reset();
        return;
    }
    if (!IsAutoRequest() || !PageRow(CurrentPage).Polled)
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
    if (page < 0 || page >= kPageCount)
        return;
    TreeView_->setCurrentItem(nullptr);
    CurrentPage = page;
    PageControl_->setTabVisible(page, true);
    {
        const QSignalBlocker blocker(PageControl_);
        PageControl_->setCurrentIndex(page);
    }
    if (IsAutoRequest())
        ReadPage(CurrentPage, true);
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
    emit PageRefreshed(page);
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
    if (tag == kReadAllOperation) {
        // Read-all completes as the reads of its pages would, in its order.
        std::vector<const TPageStruct*> order;
        for (const TPageStruct& row : PageTable)
            if (row.ReadAllPlace > 0 && row.Block)
                order.push_back(&row);
        std::sort(order.begin(), order.end(), [](const TPageStruct* a, const TPageStruct* b) {
            return a->ReadAllPlace < b->ReadAllPlace;
        });
        for (const TPageStruct* row : order)
            Dispatch(row->Block->ReadTag);
        return;
    }
    const TTagStruct* row = TagRow(tag);
    if (!row)
        return;
    RefreshPage(row->Page);
    if (row->After)
        (this->*row->After)();
}

void TZT_Frame::PassAdcTiming()
{
    TSystemSetup* setup = PageOf<TSystemSetup>(pgSetup);
    if (setup && Pages[pgAdcSignal])
        Pages[pgAdcSignal]->TakeAdcTiming(setup->AdcConversionPeriod(), setup->AccelDuration());
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
    std::vector<const TPageStruct*> order;
    for (const TPageStruct& row : PageTable)
        if (row.WriteAllPlace > 0)
            order.push_back(&row);
    std::sort(order.begin(), order.end(),
              [](const TPageStruct* a, const TPageStruct* b) { return a->WriteAllPlace < b->WriteAllPlace; });
    for (const TPageStruct* row : order) {
        // A block that no page collected would be written as last read.
        if (!Pages[row->Index]) {
            LogMessage(std::string("Запись всех данных отменена: нет страницы \"") + row->Caption + "\"");
            return;
        }
        if (!Pages[row->Index]->CollectPage())
            return;
    }
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
    auto* page = PageOf<TCurrentParams>(pgCurrent);
    if (!page)
        return;
    if (running)
        page->StopButtonClick(nullptr);
    else
        page->StartButtonClick(nullptr);
}

void TZT_Frame::SaveConfiguration(const ZT_Pages::TConfiguration& root)
{
    using namespace ZT_Pages;
    if (auto* page = PageOf<TIdentification>(pgIdentification))
        page->WriteSection(root.ChildNodeByName(kIdentificationSection));
    if (auto* page = PageOf<TCalibrationSetup>(pgCalibration))
        page->WriteSection(root.ChildNodeByName(kCalibrationSection));
    if (auto* page = PageOf<TImpulseSetup>(pgImpulseOut))
        page->WriteSection(root.ChildNodeByName(kOutputSetupSection));
    if (auto* page = PageOf<TWorkSetup>(pgWorkSetup))
        page->WriteSection(root.ChildNodeByName(kWorkSetupSection));
}

void TZT_Frame::LoadConfiguration(const ZT_Pages::TConfiguration& root)
{
    using namespace ZT_Pages;
    if (auto* page = PageOf<TIdentification>(pgIdentification))
        page->ReadSection(root.ChildNodeByName(kIdentificationSection));
    if (auto* page = PageOf<TCalibrationSetup>(pgCalibration))
        page->ReadSection(root.ChildNodeByName(kCalibrationSection));
    if (auto* page = PageOf<TImpulseSetup>(pgImpulseOut))
        page->ReadSection(root.ChildNodeByName(kOutputSetupSection));
    if (auto* page = PageOf<TWorkSetup>(pgWorkSetup))
        page->ReadSection(root.ChildNodeByName(kWorkSetupSection));
}
