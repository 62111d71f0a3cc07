#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "dom/Message.h"
#include "dom/Observer.h"
#include "du/HostExport.h"
#include "du/Symbol.h"
#include "du/UserData.h"

namespace rzk {

// An operation that ends later, usually on another thread: whoever runs it calls Complete (or
// CompleteWithError) when it ends; anyone may Cancel it before. It ends once: later calls answer false and
// do nothing. OnComplete then runs exactly once, unless the event was cancelled first:
// - with RunOnCompleteInTask true, on the queue that manages the event (a completion that comes before the
//   event is managed waits for OnManage), after which the event leaves its queue, being done;
// - with it false, at once on the completing thread.
// A Cancel that comes after Complete but before OnComplete ran still wins: OnComplete does not run. A
// cancelled event leaves its queue like a delivered one; whoever still holds it keeps it alive.
//
// Progress and status reports reach OnProgress and OnStatus on the event's queue while it is pending.
// The event's own messages, as tags and values:
//   1 COMPLETE  none
//   2 PROGRESS  int percent
//   3 STATUS    text
//
//     du::SmartPtr<rzk::AsyncEvent> event(new MyEvent);   // MyEvent overrides OnComplete
//     owner->ManageObject(event);                          // its queue runs OnComplete
//     engine->Animate(event, 3);                           // the engine calls Complete three ticks later
class RZHOST_API BaseAsyncEvent : public dom::Observer, public du::UserData {
public:
    static constexpr unsigned char COMPLETE = 1;
    static constexpr unsigned char PROGRESS = 2;
    static constexpr unsigned char STATUS = 3;

    ~BaseAsyncEvent() override;

    // Ends the operation successfully. False when it had ended already. Any thread.
    bool Complete();
    // Ends the operation with an error text (GetError); OnComplete runs as for Complete. False when it had
    // ended already. Any thread.
    bool CompleteWithError(const std::string& error);
    // Gives the operation up: OnComplete will not run. False when it had been cancelled already or its
    // OnComplete has run. Any thread.
    bool Cancel();
    // Reports progress in percent; dropped once the event has ended. Any thread.
    void Progress(int percent);
    // Reports a status text; dropped once the event has ended. Any thread.
    void Status(const std::string& text);

    // True until the event completes or is cancelled. Any thread.
    bool IsPending() const;
    // True once completed (with or without error) and not cancelled. Any thread.
    bool IsCompleted() const;
    // Any thread.
    bool IsCancelled() const;
    // The text given to CompleteWithError, "" otherwise. Any thread.
    std::string GetError() const;

    // The completion callback; nothing by default. The event's queue thread, or the completing thread (see
    // the class comment).
    virtual void OnComplete();
    // Queue thread only.
    virtual void OnProgress(int percent);
    // Queue thread only.
    virtual void OnStatus(const du::Symbol& text);
    // Runs a completion that came before the event was managed. Queue thread only.
    void OnManage() override;
    // Decodes one of the event's messages into its callback; false for an unknown one. Queue thread only.
    virtual bool HandleEvent(unsigned char event, dom::MessageReader& reader);
    // Every message of the event enters here; a cancelled event drops them. Queue thread only.
    virtual bool EventHandler(unsigned char event, dom::MessageReader& reader);
    // Whether OnComplete runs on the event's queue (true) or on the completing thread. Any thread.
    virtual bool RunOnCompleteInTask() const;

    // Queue thread only.
    void HandleMessage(const dom::MessagePtr& message) override;

protected:
    explicit BaseAsyncEvent(bool runOnCompleteInTask);

private:
    enum State : int { PENDING, COMPLETED, DELIVERED, CANCELLED };

    bool End(const std::string* error);
    // Runs OnComplete if the event completed and nothing ran or cancelled it since.
    void RunCompletion();

    const bool runOnCompleteInTask_;
    std::atomic<int> state_{PENDING};
    mutable std::mutex errorLock_;
    std::string error_;
};

// The host's asynchronous event: a BaseAsyncEvent to derive from.
class RZHOST_API AsyncEvent : public BaseAsyncEvent {
public:
    ~AsyncEvent() override;

protected:
    explicit AsyncEvent(bool runOnCompleteInTask);
};

}  // namespace rzk
