// The stand-in host's event sources and observer bases, asynchronous events and animation engine: what the
// system's observers rely on beyond the callbacks themselves.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "animation/Engine.h"
#include "dom/ManagedObject.h"
#include "dom/MessageQueue.h"
#include "rzk/AsyncEvent.h"
#include "rzk/ShapeScene.h"
#include "rzk/ShapeSceneObserver.h"
#include "rzk/Window.h"
#include "rzk/WindowObserver.h"

namespace {

using Lines = std::vector<std::string>;
using QueuePtr = du::SmartPtr<dom::GenericMessageQueue>;

// An actor that only owns a queue, so that others can be put under management there.
class Home : public dom::ManagedObject {};

class RecordingWindowObserver : public rzk::WindowObserver {
public:
    Lines calls;
    std::atomic<int> moves{0};

    void OnMouseMove(int x, int y) override {
        ++moves;
        calls.push_back("move " + std::to_string(x) + " " + std::to_string(y));
    }
    void OnKeyDown(int key) override { calls.push_back("down " + std::to_string(key)); }
    void OnKeyUp(int key) override { calls.push_back("up " + std::to_string(key)); }
    void OnKeyPress(const std::string& text, const du::Symbol& systemKey) override {
        calls.push_back("press '" + text + "' " +
                        (systemKey == du::Symbol::EMPTY ? "EMPTY" : systemKey.ToString()));
    }
    void OnMotionEvent(std::int64_t tx, std::int64_t ty, std::int64_t tz, std::int64_t rx, std::int64_t ry,
                       std::int64_t rz) override {
        calls.push_back("motion " + std::to_string(tx) + " " + std::to_string(ty) + " " + std::to_string(tz) +
                        " " + std::to_string(rx) + " " + std::to_string(ry) + " " + std::to_string(rz));
    }
    void DetachSubject() override {
        calls.push_back("detach");
        rzk::WindowObserver::DetachSubject();
    }
};

class RecordingSceneObserver : public rzk::ShapeSceneObserver {
public:
    explicit RecordingSceneObserver(bool batches) : batches_(batches) {}
    Lines calls;

    bool UsesUpdateBatches() override { return batches_; }
    void OnBeginUpdate() override { calls.push_back("begin"); }
    void OnEndUpdate() override { calls.push_back("end"); }
    void OnShapeInstanceMove(const du::SmartPtr<rzk::ShapeInstance>& instance) override {
        calls.push_back(instance ? "move" : "move null");
    }

private:
    bool batches_;
};

class Managed : public ::testing::Test {
protected:
    QueuePtr queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<Home> home{new Home};

    void SetUp() override { ASSERT_TRUE(home->ManageSelf(queue, du::Symbol(), 0)); }
    template <class T>
    du::SmartPtr<T> Manage(T* object) {
        du::SmartPtr<T> held(object);
        home->ManageObject(held);
        return held;
    }
};

TEST_F(Managed, WindowEventsArriveWithTheirValuesOnlyWhenTheObserversQueueRuns) {
    du::SmartPtr<rzk::Window> window(new rzk::Window);
    auto observer = Manage(new RecordingWindowObserver);
    window->RegisterObserver(*observer, 0);
    constexpr std::int64_t low = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int64_t>::max();
    window->PostKeyDown(65);
    window->PostKeyUp(-1);
    window->PostKeyPress("x", du::Symbol());
    window->PostKeyPress("", "Left");
    window->PostMotionEvent(low, high, -1, 0, std::int64_t{1} << 40, -(std::int64_t{1} << 33));
    EXPECT_EQ(observer->calls, Lines{});
    queue->RunPending();
    EXPECT_EQ(observer->calls, (Lines{"down 65", "up -1", "press 'x' EMPTY", "press '' Left",
                                      "motion " + std::to_string(low) + " " + std::to_string(high) +
                                          " -1 0 1099511627776 -8589934592"}));

    // Whatever a person types travels without entering the process-wide symbol table.
    observer->calls.clear();
    const std::size_t interned = du::Symbol::InternedCount();
    for (int typed = 0; typed < 1000; ++typed) {
        window->PostKeyPress("typed " + std::to_string(typed), du::Symbol());
    }
    queue->RunPending();
    EXPECT_EQ(observer->calls.size(), 1000u);
    EXPECT_EQ(observer->calls.back(), "press 'typed 999' EMPTY");
    EXPECT_EQ(du::Symbol::InternedCount(), interned);
}

TEST_F(Managed, AnObserverWatchesOneSubjectAtATimeAndEitherSideMayEndFirst) {
    du::SmartPtr<rzk::Window> first(new rzk::Window);
    du::SmartPtr<rzk::Window> second(new rzk::Window);
    auto observer = Manage(new RecordingWindowObserver);
    first->RegisterObserver(*observer, 0);
    second->RegisterObserver(*observer, 0);
    second->RegisterObserver(*observer, 0);
    EXPECT_EQ(first->GetObserverCount(), 0u);
    EXPECT_EQ(second->GetObserverCount(), 1u);
    first->PostMouseMove(1, 1);
    second->PostMouseMove(2, 2);
    queue->RunPending();
    EXPECT_EQ(observer->calls, Lines{"move 2 2"});

    // Detached by its subject, it hears DetachSubject and leaves; by default that is all.
    second->DetachObservers();
    queue->RunPending();
    EXPECT_EQ(observer->calls, (Lines{"move 2 2", "detach"}));
    EXPECT_FALSE(observer->IsRegistered());
    // So does a subject that is destroyed; the observer may still leave it.
    second->RegisterObserver(*observer, 0);
    second = nullptr;
    queue->RunPending();
    EXPECT_EQ(observer->calls, (Lines{"move 2 2", "detach", "detach"}));
    EXPECT_FALSE(observer->IsRegistered());
    observer->Unregister();

    // Registered again and released by everyone: the subject forgets it, and events go nowhere.
    first->RegisterObserver(*observer, 0);
    first->PostMouseMove(3, 3);
    observer->Unmanage();
    observer = nullptr;
    queue->RunPending();
    EXPECT_EQ(first->GetObserverCount(), 0u);
    first->PostMouseMove(4, 4);
    queue->RunPending();
}

TEST_F(Managed, UpdateBracketsReachOnlyObserversUsingThemAndMalformedEventsAreDropped) {
    du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
    auto batching = Manage(new RecordingSceneObserver(true));
    auto plain = Manage(new RecordingSceneObserver(false));
    scene->RegisterObserver(*batching, 15, true);
    scene->RegisterObserver(*plain, 15, true);
    scene->PostBeginUpdate();
    scene->PostShapeInstanceMove(nullptr);
    scene->PostEndUpdate();

    // A move without its instance value, and an event no observer class knows.
    dom::MessageWriter bare = batching->StartNewMessage(rzk::ShapeSceneObserver::INSTANCE_MOVE);
    bare.PushInt32Value(7);
    batching->DeliverMessage(bare.FinaliseMessage());
    batching->DeliverMessage(batching->StartNewMessage(99).FinaliseMessage());
    queue->RunPending();
    EXPECT_EQ(batching->calls, (Lines{"begin", "move null", "end"}));
    EXPECT_EQ(plain->calls, Lines{"move null"});
}

class RecordingEvent : public rzk::AsyncEvent {
public:
    explicit RecordingEvent(bool inTask = true) : rzk::AsyncEvent(inTask) {}
    Lines calls;
    std::thread::id completedOn;

    void OnComplete() override {
        completedOn = std::this_thread::get_id();
        calls.push_back(GetError().empty() ? "complete" : "complete: " + GetError());
    }
    void OnProgress(int percent) override { calls.push_back("progress " + std::to_string(percent)); }
    void OnStatus(const du::Symbol& text) override { calls.push_back("status " + text.ToString()); }
};

TEST_F(Managed, AsyncEventCompletesOnceOnItsQueueEvenWhenCompletedBeforeItWasManaged) {
    du::SmartPtr<RecordingEvent> early(new RecordingEvent);
    EXPECT_TRUE(early->CompleteWithError("disk gone"));
    EXPECT_FALSE(early->Complete());
    EXPECT_EQ(early->calls, Lines{});
    home->ManageObject(early);
    EXPECT_EQ(early->calls, Lines{"complete: disk gone"});
    EXPECT_FALSE(early->IsManaged());  // done: it left its queue

    auto event = Manage(new RecordingEvent);
    event->Progress(40);
    event->Status("halfway");
    event->Complete();
    event->Progress(90);
    queue->RunPending();
    EXPECT_EQ(event->calls, (Lines{"progress 40", "status halfway", "complete"}));
    EXPECT_TRUE(event->IsCompleted());

    // Outside a task the completing thread runs it, at once.
    du::SmartPtr<RecordingEvent> direct(new RecordingEvent(false));
    std::thread([&] { direct->Complete(); }).join();
    EXPECT_EQ(direct->calls, Lines{"complete"});
    EXPECT_NE(direct->completedOn, std::this_thread::get_id());
}

TEST_F(Managed, CancelWinsUntilTheCompletionHasRunAndTheEngineDropsCancelledAnimations) {
    auto completedFirst = Manage(new RecordingEvent);
    completedFirst->Progress(10);
    EXPECT_TRUE(completedFirst->Complete());
    EXPECT_TRUE(completedFirst->Cancel());
    EXPECT_FALSE(completedFirst->Cancel());
    queue->RunPending();
    EXPECT_EQ(completedFirst->calls, Lines{});
    EXPECT_FALSE(completedFirst->IsCompleted());

    du::SmartPtr<animation::Engine> engine(new animation::Engine);
    auto cancelled = Manage(new RecordingEvent);
    auto soon = Manage(new RecordingEvent);
    auto later = Manage(new RecordingEvent);
    engine->Animate(cancelled, 1);
    engine->Animate(soon, 0);
    engine->Animate(later, 2);
    engine->Animate(nullptr, 1);
    cancelled->Cancel();
    engine->Tick();
    EXPECT_EQ(engine->GetRunningCount(), 1u);
    queue->RunPending();
    EXPECT_EQ(soon->calls, Lines{"complete"});
    EXPECT_EQ(later->calls, Lines{});
    engine->Tick();
    queue->RunPending();
    EXPECT_EQ(later->calls, Lines{"complete"});
    EXPECT_EQ(cancelled->calls, Lines{});
}

// A host thread keeps posting to a window while the module thread lets the observer go: the observer is
// destroyed on the module thread in the middle of the posts, and neither side sees the other half-done.
TEST(ObserverThreads, HostThreadPostsWhileTheModuleThreadDestroysTheObserver) {
    du::SmartPtr<dom::GenericMessageQueue> queue(new dom::GenericMessageQueue);
    du::SmartPtr<Home> home(new Home);
    ASSERT_TRUE(home->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<rzk::Window> window(new rzk::Window);

    class LeavingObserver : public RecordingWindowObserver {
    public:
        void OnMouseMove(int, int) override {
            if (++moves == 100) {
                Unmanage();
            }
        }
    };
    {
        du::SmartPtr<LeavingObserver> observer(new LeavingObserver);
        home->ManageObject(observer);  // this thread owns the queue until the loop runs
        window->RegisterObserver(*observer, 0);
    }
    std::thread module([&] { home->RunMessageLoop(); });
    long posted = 0;
    while (window->GetObserverCount() != 0 && posted < 50'000'000) {
        window->PostMouseMove(static_cast<int>(posted % 1000), 0);
        ++posted;
    }
    EXPECT_EQ(window->GetObserverCount(), 0u);
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    module.join();
    EXPECT_GE(posted, 100);
}

}  // namespace
