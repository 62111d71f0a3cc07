// The flight recorder: a bounded ring of typed records that allocates nothing per record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/FlightRecorder.h"
#include "support/RecordText.h"

namespace {

using Lines = std::vector<std::string>;
using workflow::FlightRecord;

TEST(FlightRecorder, KeepsTheNewestRecordsAndWhatTheDroppedOnesLeftHeld) {
    workflow::FlightRecorder recorder(3);
    recorder.Record(FlightRecord::Size(640, 480));
    recorder.Record(FlightRecord::Modifier(0, true));
    recorder.Record(FlightRecord::Button(0, true, 10, 20));
    recorder.SetTime(10);
    recorder.Record(FlightRecord::Move(30, 40));
    recorder.Record(FlightRecord::Move(50, 60));
    recorder.SetTime(20);
    recorder.Record(FlightRecord::Wheel(-120, 50, 60));
    recorder.SetTime(30);  // a timer message failed after the last record
    workflow::RecordedInput input = recorder.Export();
    EXPECT_TRUE(input.recording);
    EXPECT_EQ(input.now, 30);
    EXPECT_EQ(testing_support::RecordTexts(input),
              (Lines{"Move 30 40 @10", "Move 50 60 @10", "Wheel -120 50 60 @20"}));
    EXPECT_TRUE(input.held.seen);
    EXPECT_EQ(input.held.time, 0);
    EXPECT_TRUE(input.held.sized && input.held.width == 640 && input.held.height == 480);
    EXPECT_EQ(input.held.modifiers, 1u);
    EXPECT_TRUE(input.held.buttons[0].down);
    EXPECT_EQ(input.held.x, 10);

    // Shrinking drops the oldest into the held state (the pointer's last place included); growing keeps
    // everything.
    recorder.SetCapacity(1);
    input = recorder.Export();
    EXPECT_EQ(testing_support::RecordTexts(input), (Lines{"Wheel -120 50 60 @20"}));
    EXPECT_EQ(input.held.time, 10);
    EXPECT_EQ(input.held.x, 50);
    recorder.SetCapacity(4);
    recorder.Record(FlightRecord::Button(0, false, 50, 60));
    recorder.Record(FlightRecord::Modifier(0, false));
    EXPECT_EQ(testing_support::RecordTexts(recorder.Export()),
              (Lines{"Wheel -120 50 60 @20", "Button 0 up 50 60 @30", "Modifier 0 off @30"}));

    // A key text longer than a record holds is cut, and says so.
    recorder.Record(FlightRecord::Key("a very long text for one key", du::Symbol::EMPTY));
    const FlightRecord key = recorder.Export().records.back();
    EXPECT_EQ(key.Text(), "a very long ");
    EXPECT_TRUE(key.textCut);
    EXPECT_EQ(key.a, 28);

    // A host cannot make it take more than its most.
    recorder.SetCapacity(std::size_t{1} << 40);
    EXPECT_EQ(recorder.Capacity(), workflow::FlightRecorder::MAX_CAPACITY);
    EXPECT_EQ(recorder.Size(), 4u);

    // Off: nothing is recorded and everything held is forgotten.
    recorder.SetCapacity(0);
    recorder.Record(FlightRecord::Move(1, 1));
    input = recorder.Export();
    EXPECT_FALSE(input.recording);
    EXPECT_TRUE(input.records.empty());
    EXPECT_FALSE(input.held.seen);
    recorder.SetCapacity(2);
    recorder.Record(FlightRecord::Leave());
    EXPECT_EQ(testing_support::RecordTexts(recorder.Export()), Lines{"Leave @30"});
}

}  // namespace
