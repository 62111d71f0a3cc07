#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "rzk/SceneObjects.h"
#include "support/MessageLog.h"

namespace {

using workflow::ConstStrings;

// Messages are plain values that receivers reinterpret by name, so none may grow a vtable.
static_assert(!std::is_polymorphic_v<workflow::Msg>);
static_assert(!std::is_polymorphic_v<workflow::TouchMsg>);
// A selection message refers to the sender's vectors and a timer's times are fixed: neither can be assigned.
static_assert(!std::is_copy_assignable_v<workflow::SelectionMsg>);
static_assert(!std::is_move_assignable_v<workflow::SelectionMsg>);
static_assert(!std::is_copy_assignable_v<workflow::TimerMsg>);
static_assert(!std::is_move_assignable_v<workflow::TimerMsg>);
static_assert(std::is_copy_constructible_v<workflow::SelectionMsg>);
static_assert(std::is_nothrow_move_constructible_v<workflow::TimerMsg>);
static_assert(std::is_copy_assignable_v<workflow::ShapeInstanceMsg>);
static_assert(std::is_nothrow_move_assignable_v<workflow::KeyMsg>);

TEST(Msg, DefaultNameIsEmptyAndMovedFromNameIsUnset) {
    workflow::Msg unnamed;
    EXPECT_EQ(unnamed.GetName(), du::Symbol::EMPTY);

    workflow::Msg reset(ConstStrings::MsgReset);
    workflow::Msg taken(std::move(reset));
    EXPECT_EQ(taken.GetName(), ConstStrings::MsgReset);
    EXPECT_TRUE(reset.GetName().IsNull());
    EXPECT_NE(reset.GetName(), du::Symbol::EMPTY);

    // Move assignment copies the name: the source keeps it.
    workflow::Msg source(ConstStrings::MsgActivate);
    unnamed = std::move(source);
    EXPECT_EQ(unnamed.GetName(), ConstStrings::MsgActivate);
    EXPECT_EQ(source.GetName(), ConstStrings::MsgActivate);

    // A derived message moves its name away too, and keeps the plain values.
    workflow::MouseMsg down(ConstStrings::MsgMouseLeftDown, 10, 20);
    workflow::MouseMsg moved(std::move(down));
    EXPECT_TRUE(down.GetName().IsNull());
    EXPECT_EQ(moved.GetName(), ConstStrings::MsgMouseLeftDown);
    EXPECT_EQ(down.GetX(), 10);
    EXPECT_EQ(moved.GetY(), 20);
}

TEST(ConstStrings, NamesBuiltFromTextAreTheMembersWithTheDocRotationTextsCrossed) {
    EXPECT_EQ(du::Symbol("MsgAnimationFinishedForOpenNewSahpeViewBase"),
              ConstStrings::MsgAnimationFinishedForOpenNewSahpeViewBase);
    EXPECT_EQ(du::Symbol("MessageInterface"), workflow::InterfaceTypes::Message);

    EXPECT_NE(ConstStrings::MsgDocRotateClockWise, du::Symbol("MsgDocRotateClockWise"));
    EXPECT_EQ(ConstStrings::MsgDocRotateClockWise, du::Symbol("MsgDocRotateAntiClockWise"));
    EXPECT_EQ(ConstStrings::MsgDocRotateAntiClockWise, du::Symbol("MsgDocRotateClockWise"));
}

TEST(ConstStrings, PluginLibraryExportsNamesEqualToSymbolsMadeElsewhere) {
    void* plugin = dlopen(WORKFLOW_PLUGIN_PATH, RTLD_NOW);
    ASSERT_NE(plugin, nullptr) << dlerror();
    const void* exported = dlsym(plugin, "_ZN8workflow12ConstStrings12MsgMouseMoveE");
    ASSERT_NE(exported, nullptr) << dlerror();
    EXPECT_EQ(*static_cast<const du::Symbol*>(exported), du::Symbol("MsgMouseMove"));
    dlclose(plugin);
}

TEST(TouchMsg, DefaultReadsZeroAndEveryGetterReadsItsOwnPosition) {
    for (int value : testing_support::TouchValues(workflow::TouchMsg())) {
        EXPECT_EQ(value, 0);
    }
    // The value at position p is 100 + p.
    const workflow::TouchMsg touch(ConstStrings::MsgTouch, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
                                   111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125,
                                   126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140,
                                   141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152);
    const std::array<int, 52> values = testing_support::TouchValues(touch);
    for (int position = 1; position <= 52; ++position) {
        EXPECT_EQ(values[position - 1], 100 + position) << "position " << position;
    }
    EXPECT_EQ(touch.GetId1(), 103);
    EXPECT_EQ(touch.GetFlag10(), 152);
    EXPECT_EQ(touch.GetName(), ConstStrings::MsgTouch);
}

TEST(SelectionMsg, CopiesReferToTheSendersVectorsAndSeeLaterChanges) {
    workflow::SelectionMsg::ItemList removed;
    workflow::SelectionMsg::ItemList added{du::SmartPtr<rzk::SelectionItem>(new rzk::SelectionItem)};
    const workflow::SelectionMsg message(ConstStrings::MsgSelectionChanged, 3, true, removed, added);
    const workflow::SelectionMsg copy(message);

    removed.emplace_back(new rzk::SelectionItem);
    added.clear();

    EXPECT_EQ(&copy.GetRemoveItems(), &removed);
    EXPECT_EQ(&copy.GetAddItems(), &added);
    EXPECT_EQ(copy.GetRemoveItems().size(), 1u);
    EXPECT_TRUE(copy.GetAddItems().empty());
    EXPECT_EQ(copy.GetListID(), 3u);
    EXPECT_TRUE(copy.GetClearSelection());
}

TEST(ShapeInstanceMsg, MoveLeavesSourceEmptyWhileCopySharesTheInstances) {
    du::SmartPtr<rzk::ShapeInstance> instance(new rzk::ShapeInstance);
    workflow::ShapeInstanceMsg message(ConstStrings::MsgShapeInstanceCreate, instance);
    message.GetShapeInstances().push_back(instance);
    EXPECT_EQ(instance->GetReferenceCount(), 3);

    {
        const workflow::ShapeInstanceMsg copy(message);
        EXPECT_EQ(instance->GetReferenceCount(), 5);
        EXPECT_EQ(copy.GetShapeInstances()[0], instance);
    }
    EXPECT_EQ(instance->GetReferenceCount(), 3);

    const workflow::ShapeInstanceMsg moved(std::move(message));
    EXPECT_TRUE(message.GetShapeInstances().empty());
    EXPECT_EQ(moved.GetShapeInstances().size(), 2u);
    EXPECT_EQ(instance->GetReferenceCount(), 3);

    EXPECT_TRUE(workflow::ShapeInstanceMsg(ConstStrings::MsgShapeInstanceRemove).GetShapeInstances().empty());

    // The markup override holds its own references to both objects.
    du::ConstSmartPtr<rzk::GeomMarkupOverride> markup(new rzk::GeomMarkupOverride);
    const workflow::ShapeInstanceMarkupOverrideMsg markupMessage(ConstStrings::MsgShapeInstanceMarkupOverride,
                                                                 instance, markup);
    EXPECT_EQ(instance->GetReferenceCount(), 4);
    EXPECT_EQ(markup->GetReferenceCount(), 2);
    EXPECT_EQ(markupMessage.GetMarkupOverride(), markup);
}

TEST(KeyMsg, TextAndSystemKeyExcludeEachOtherAndCharZeroMeansNoText) {
    const workflow::KeyMsg noText(ConstStrings::MsgModifierKey, '\0', true, false, true);
    EXPECT_TRUE(noText.GetUtf8Key().empty());
    EXPECT_EQ(noText.GetSystemKey(), du::Symbol::EMPTY);
    EXPECT_TRUE(noText.GetControlPressed());
    EXPECT_FALSE(noText.GetShiftPressed());
    EXPECT_TRUE(noText.GetAltPressed());

    const workflow::KeyMsg arrow(ConstStrings::MsgKeyPress, du::Symbol("Left"), false, true, false);
    EXPECT_TRUE(arrow.GetUtf8Key().empty());
    EXPECT_EQ(arrow.GetSystemKey(), du::Symbol("Left"));
    EXPECT_TRUE(arrow.GetShiftPressed());

    const workflow::KeyMsg text(ConstStrings::MsgKeyPress, std::string("\xc3\xa9"), false, false, false);
    EXPECT_EQ(text.GetUtf8Key(), "\xc3\xa9");
    EXPECT_EQ(text.GetSystemKey(), du::Symbol::EMPTY);
}

}  // namespace
