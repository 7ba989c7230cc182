#pragma once
// The interaction between an operation on its worker thread and the window:
// TInteract is the shared record, TInteractContainer its lock, and
// ProcessAlgorithm the base of every operation.

#include "engine/criticalsectionex.h"
#include "engine/notifywindow.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>

// Operation result codes.
constexpr int32_t kResultSuccess = 0;
constexpr int32_t kResultCancelled = 2;
constexpr int32_t kResultFailed = 3;

// The text of the error that a cancel request raises.
extern const char* const kCancelText;  // "Выполнение процесса прервано"

class TInteract {
public:
    TInteract() = default;
    virtual ~TInteract() = default;
    virtual int32_t Query() { return 0; }
    virtual void SetCancel(bool value);
    virtual void SetFinished(bool value);

    void SetResultCode(int32_t code);
    void SetProgress(int32_t percent);
    void SetDataReady(bool value);
    void AddMessage(const std::string& text);
    void SetData(const std::string& text);
    // The oldest queued message, removed; empty when none is queued.
    std::string PopMessage();
    bool HasMessages() const { return !Messages.empty(); }

    uint8_t Changed = 0;
    uint8_t CancelRequested = 0;
    uint8_t Finished = 0;
    int32_t ResultCode = 0;
    int32_t Progress = 0;
    uint8_t DataReady = 0;
    std::deque<std::string> Messages;
    TNotifyWindow NotifyWindow;
    std::string DataText;
};

class TInteractContainer {
public:
    TInteractContainer();
    ~TInteractContainer();
    TInteractContainer(const TInteractContainer&) = delete;
    TInteractContainer& operator=(const TInteractContainer&) = delete;

    // Enters the lock (only when a record is present), clears `Changed` and
    // returns the record (null when there is none).
    TInteract* Acquire();
    // Sends the process notification when `notify` is set and the record
    // changed, then leaves the lock.
    void Release(bool notify);
    // Under the lock, destroys the current record and installs `record`.
    void Assign(std::unique_ptr<TInteract> record);

    TCriticalSectionEx& Lock() { return lock_; }

private:
    TCriticalSectionEx lock_;
    std::unique_ptr<TInteract> record_;
    bool held_ = false;
};

// Raises Exception(text) when the container's record asks to cancel.
void CheckCancel(TInteractContainer* container, const std::string& text = kCancelText);
// Whether the container's record asks to cancel; false without a container.
bool CancelRequested(TInteractContainer* container);

// Queues a message into the container's record without notifying; the
// owning wrapper shows it at its next notification. Without a container the
// text is dropped.
void QueueMessage(TInteractContainer* container, const std::string& text);

class ProcessAlgorithm {
public:
    explicit ProcessAlgorithm(TInteractContainer* container);
    virtual ~ProcessAlgorithm() = default;
    ProcessAlgorithm(const ProcessAlgorithm&) = delete;
    ProcessAlgorithm& operator=(const ProcessAlgorithm&) = delete;

    // The work; runs on the worker thread, ends by returning or raising.
    virtual void Execute() = 0;
    // Raises "Выполнение процесса прервано" when cancel was requested.
    virtual void CheckCancel();

    TInteractContainer* Container;
    int32_t ProgressDone;
    int32_t ProgressTotal;
    bool Quiet;

    // percent = done * 100 / total, 0 when total is 0, at most 100.
    static int32_t ProgressPercent(int32_t done, int32_t total);

protected:
    void UpdateProgress();
    void PostData(const std::string& text);
};

// Runs one operation on its own thread and reports its end into the
// container. The thread owns the operation; see TProcessWrapper for who
// waits for it.
class AlgorithmThread {
public:
    AlgorithmThread(std::unique_ptr<ProcessAlgorithm> algorithm, TInteractContainer* container);
    ~AlgorithmThread();  // joins
    AlgorithmThread(const AlgorithmThread&) = delete;
    AlgorithmThread& operator=(const AlgorithmThread&) = delete;

    void Start();
    void Join();
    bool Joinable() const { return thread_.joinable(); }

    // The run of the worker; public so that it can be tested on the
    // calling thread.
    static void Run(ProcessAlgorithm& algorithm, TInteractContainer* container);

private:
    std::unique_ptr<ProcessAlgorithm> algorithm_;
    TInteractContainer* container_;
    std::thread thread_;
};
