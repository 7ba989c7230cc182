#include "engine/processthread.h"

#include "util/sysutil.h"

const char* const kCancelText = "Выполнение процесса прервано";

void TInteract::SetCancel(bool value)
{
    CancelRequested = value ? 1 : 0;
    Changed = 1;
}

void TInteract::SetFinished(bool value)
{
    Finished = value ? 1 : 0;
    Changed = 1;
}

void TInteract::SetResultCode(int32_t code)
{
    ResultCode = code;
    Changed = 1;
}

void TInteract::SetProgress(int32_t percent)
{
    Progress = percent;
    Changed = 1;
}

void TInteract::SetDataReady(bool value)
{
    DataReady = value ? 1 : 0;
    Changed = 1;
}

void TInteract::AddMessage(const std::string& text)
{
    Messages.push_back(text);
    Changed = 1;
}

void TInteract::SetData(const std::string& text)
{
    DataText = text;
    DataReady = 1;
    Changed = 1;
}

std::string TInteract::PopMessage()
{
    if (Messages.empty())
        return {};
    std::string text = std::move(Messages.front());
    Messages.pop_front();
    return text;
}

TInteractContainer::TInteractContainer() : record_(std::make_unique<TInteract>()) {}
TInteractContainer::~TInteractContainer() = default;

TInteract* TInteractContainer::Acquire()
{
    if (!record_)
        return nullptr;
    lock_.Enter();
    held_ = true;
    record_->Changed = 0;
    return record_.get();
}

void TInteractContainer::Release(bool notify)
{
    if (!held_)
        return;
    TNotifyWindow target;
    if (notify && record_ && record_->Changed)
        target = record_->NotifyWindow;
    held_ = false;
    // The post never blocks, so it may run inside the lock.
    target.Post(WM_PROCESS_NOTIFY);
    lock_.Leave();
}

void TInteractContainer::Assign(std::unique_ptr<TInteract> record)
{
    TCriticalSectionEx::CAuto guard(lock_);
    record_ = std::move(record);
}

bool CancelRequested(TInteractContainer* container)
{
    if (!container)
        return false;
    TInteract* record = container->Acquire();
    const bool cancel = record && record->CancelRequested;
    container->Release(false);
    return cancel;
}

void CheckCancel(TInteractContainer* container, const std::string& text)
{
    if (CancelRequested(container))
        throw Exception(text);
}

void QueueMessage(TInteractContainer* container, const std::string& text)
{
    if (!container)
        return;
    if (TInteract* record = container->Acquire())
        record->AddMessage(text);
    container->Release(false);
}

ProcessAlgorithm::ProcessAlgorithm(TInteractContainer* container)
    : Container(container), ProgressDone(0), ProgressTotal(0), Quiet(false)
{
}

void ProcessAlgorithm::CheckCancel()
{
    ::CheckCancel(Container, kCancelText);
}

int32_t ProcessAlgorithm::ProgressPercent(int32_t done, int32_t total)
{
    if (total == 0)
        return 0;
    const int64_t percent = static_cast<int64_t>(done) * 100 / total;
    return percent > 100 ? 100 : static_cast<int32_t>(percent);
}

void ProcessAlgorithm::UpdateProgress()
{
    if (!Container)
        return;
    const int32_t percent = ProgressPercent(ProgressDone, ProgressTotal);
    if (TInteract* record = Container->Acquire())
        record->SetProgress(percent);
    Container->Release(true);
}

void ProcessAlgorithm::PostData(const std::string& text)
{
    if (!Container)
        return;
    if (TInteract* record = Container->Acquire())
        record->SetData(text);
    Container->Release(true);
}

AlgorithmThread::AlgorithmThread(std::unique_ptr<ProcessAlgorithm> algorithm, TInteractContainer* container)
    : algorithm_(std::move(algorithm)), container_(container)
{
}

AlgorithmThread::~AlgorithmThread()
{
    Join();
}

void AlgorithmThread::Start()
{
    thread_ = std::thread([this] {
        Run(*algorithm_, container_);
        // The operation is destroyed on its own thread as soon as it ends,
        // releasing whatever it holds before anyone joins.
        algorithm_.reset();
    });
}

void AlgorithmThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void AlgorithmThread::Run(ProcessAlgorithm& algorithm, TInteractContainer* container)
{
    if (!container) {
        try {
            algorithm.Execute();
        } catch (...) {
        }
        return;
    }
    // An error ends the operation with one message (unless Quiet) and code
    // 2 when cancel was requested, else 3.
    auto fail = [&](const std::string* message) {
        if (TInteract* record = container->Acquire()) {
            if (message && !algorithm.Quiet)
                record->AddMessage(*message);
            record->SetResultCode(record->CancelRequested ? kResultCancelled : kResultFailed);
            record->SetFinished(true);
        }
        container->Release(true);
    };
    try {
        algorithm.Execute();
        TInteract* record = container->Acquire();
        if (record)
            record->SetFinished(true);
        container->Release(true);
        return;
    } catch (const Exception& error) {
        const std::string text = error.Message();
        fail(&text);
    } catch (...) {
        fail(nullptr);
    }
}
