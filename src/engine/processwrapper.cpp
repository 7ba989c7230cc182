#include "engine/processwrapper.h"

#include "engine/processpool.h"

ProcessDesctiptionStruct::ProcessDesctiptionStruct(int32_t id)
    : Id(id), Container(std::make_unique<TInteractContainer>())
{
}

ProcessDesctiptionStruct::~ProcessDesctiptionStruct() = default;

std::string ProcessDesctiptionStruct::Prefixed(const std::string& text) const
{
    return Caption.empty() ? text : "[" + Caption + "] " + text;
}

void ProcessDesctiptionStruct::Cancel()
{
    if (TInteract* record = Container->Acquire())
        record->SetCancel(true);
    Container->Release(false);
}

TProcessWrapper::TProcessWrapper(int32_t id) : ProcessDesctiptionStruct(id)
{
    NotifyWindow = TNotifyWindow::Create([this](uint32_t message, intptr_t, intptr_t) { HandleNotification(message); });
}

TProcessWrapper::~TProcessWrapper()
{
    NotifyWindow.Destroy();
    CancelAndWait();
    ProcessPool::Instance().Remove(this);
}

void TProcessWrapper::CancelAndWait()
{
    if (thread_) {
        Cancel();
        thread_->Join();
    }
}

bool TProcessWrapper::Start(std::unique_ptr<ProcessAlgorithm> algorithm, int32_t tag, const std::string& doneText)
{
    if (!ProcessPool::Instance().Add(this, true))
        return false;  // `algorithm` is destroyed on return
    auto record = std::make_unique<TInteract>();
    record->NotifyWindow = NotifyWindow;
    Container->Assign(std::move(record));
    algorithm->Container = Container.get();
    Tag = tag;
    DoneText = doneText;
    // The previous worker has reported its end already; wait for its thread
    // to return before its object is replaced.
    if (thread_)
        thread_->Join();
    thread_ = std::make_unique<AlgorithmThread>(std::move(algorithm), Container.get());
    Worker = thread_.get();
    Running = true;
    thread_->Start();
    return true;
}

void TProcessWrapper::HandleNotification(uint32_t message)
{
    if (message != WM_PROCESS_NOTIFY)
        return;
    // Notifications queued before the end may be handled after it: once the
    // end has been reported they carry nothing new and are dropped, so the
    // end is reported once per start and the progress stays reset.
    if (!Running)
        return;
    TInteract* record = Container->Acquire();
    if (!record) {
        Container->Release(false);
        return;
    }
    if (OnProgress)
        OnProgress(Id, Tag, record->Progress);
    if (OnData && record->DataReady) {
        record->DataReady = 0;
        OnData(*record);
    }
    if (OnMessage)
        while (record->HasMessages())
            OnMessage(Prefixed(record->PopMessage()), nullptr);
    if (record->Finished) {
        if (OnProgress)
            OnProgress(Id, Tag, 0);
        if (record->ResultCode == kResultSuccess) {
            if (OnComplete)
                OnComplete(Id, Tag);
            if (!DoneText.empty() && OnMessage)
                OnMessage(Prefixed(DoneText), nullptr);
        } else if (OnError) {
            OnError(Id, Tag, record->ResultCode);
        }
        ProcessPool::Instance().Remove(this);
        Running = false;
    }
    Container->Release(false);
}
