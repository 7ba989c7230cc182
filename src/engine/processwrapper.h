#pragma once
// TProcessWrapper starts operations on worker threads and turns their
// notifications into events on the window thread.

#include "engine/processthread.h"

#include <functional>
#include <memory>
#include <string>

// The log sink: a text and, from a worker, the container to queue it into.
using TLogSink = std::function<void(const std::string& text, TInteractContainer* container)>;

struct ProcessDesctiptionStruct {
    using TDataEvent = std::function<void(TInteract& record)>;
    using TCompleteEvent = std::function<void(int32_t id, int32_t tag)>;
    using TProgressEvent = std::function<void(int32_t id, int32_t tag, int32_t percent)>;
    using TErrorEvent = std::function<void(int32_t id, int32_t tag, int32_t code)>;

    explicit ProcessDesctiptionStruct(int32_t id);
    virtual ~ProcessDesctiptionStruct();

    int32_t Id;
    AlgorithmThread* Worker = nullptr;
    std::unique_ptr<TInteractContainer> Container;
    TDataEvent OnData;
    TCompleteEvent OnComplete;
    TProgressEvent OnProgress;
    TErrorEvent OnError;
    int32_t Tag = -1;
    std::string DoneText;
    std::string Caption;

    // "[Caption] text", or the text unchanged when there is no caption.
    std::string Prefixed(const std::string& text) const;
    // Sets the cancel request of the current record (no notification).
    void Cancel();
};

class TProcessWrapper : public ProcessDesctiptionStruct {
public:
    explicit TProcessWrapper(int32_t id);
    // Cancels a running operation and waits for its worker to end.
    ~TProcessWrapper() override;

    // Starts `algorithm` with `tag`; false (the operation destroyed) when
    // a process with the same Id is running.
    bool Start(std::unique_ptr<ProcessAlgorithm> algorithm, int32_t tag, const std::string& doneText = {});
    bool IsRunning() const { return Running; }
    // Cancels, then waits for the worker's thread to end (window thread).
    void CancelAndWait();

    TLogSink OnMessage;
    bool Running = false;
    TNotifyWindow NotifyWindow;

private:
    void HandleNotification(uint32_t message);
    std::unique_ptr<AlgorithmThread> thread_;
};
