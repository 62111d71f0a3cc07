#include "messages/TypedMessages.h"

#include <utility>

namespace workflow {

TouchMsg::TouchMsg(const du::Symbol& name, int msg, int numInputs, int id1, int x1, int y1, int time1,
                   int flag1, int id2, int x2, int y2, int time2, int flag2, int id3, int x3, int y3,
                   int time3, int flag3, int id4, int x4, int y4, int time4, int flag4, int id5, int x5,
                   int y5, int time5, int flag5, int id6, int x6, int y6, int time6, int flag6, int id7,
                   int x7, int y7, int time7, int flag7, int id8, int x8, int y8, int time8, int flag8,
                   int id9, int x9, int y9, int time9, int flag9, int id10, int x10, int y10, int time10,
                   int flag10)
    : Msg(name), fields_{msg,   numInputs, id1,   x1,    y1,    time1, flag1,  id2,   x2,    y2,    time2,
                         flag2, id3,       x3,    y3,    time3, flag3, id4,    x4,    y4,    time4, flag4,
                         id5,   x5,        y5,    time5, flag5, id6,   x6,     y6,    time6, flag6, id7,
                         x7,    y7,        time7, flag7, id8,   x8,    y8,     time8, flag8, id9,   x9,
                         y9,    time9,     flag9, id10,  x10,   y10,   time10, flag10} {}

TouchMsg::TouchMsg(const TouchMsg& other) = default;
TouchMsg::TouchMsg(TouchMsg&& other) noexcept = default;
TouchMsg& TouchMsg::operator=(const TouchMsg& other) = default;
TouchMsg& TouchMsg::operator=(TouchMsg&& other) noexcept = default;
TouchMsg::~TouchMsg() = default;

MotionMsg::MotionMsg(const du::Symbol& name, long long translationX, long long translationY,
                     long long translationZ, long long rotationX, long long rotationY, long long rotationZ,
                     unsigned long long period)
    : Msg(name),
      translationX_(translationX),
      translationY_(translationY),
      translationZ_(translationZ),
      rotationX_(rotationX),
      rotationY_(rotationY),
      rotationZ_(rotationZ),
      period_(period) {}

MotionMsg::MotionMsg(const MotionMsg& other) = default;
MotionMsg::MotionMsg(MotionMsg&& other) noexcept = default;
MotionMsg& MotionMsg::operator=(const MotionMsg& other) = default;
MotionMsg& MotionMsg::operator=(MotionMsg&& other) noexcept = default;
MotionMsg::~MotionMsg() = default;

TimerMsg::TimerMsg(const du::Symbol& name, long long absTime, long long deltaTime)
    : Msg(name), absTime_(absTime), deltaTime_(deltaTime) {}

TimerMsg::TimerMsg(const TimerMsg& other) = default;
TimerMsg::TimerMsg(TimerMsg&& other) noexcept = default;
TimerMsg::~TimerMsg() = default;

PageMsg::PageMsg(const du::Symbol& name, int page) : Msg(name), page_(page) {}

PageMsg::PageMsg(const PageMsg& other) = default;
PageMsg::PageMsg(PageMsg&& other) noexcept = default;
PageMsg& PageMsg::operator=(const PageMsg& other) = default;
PageMsg& PageMsg::operator=(PageMsg&& other) noexcept = default;
PageMsg::~PageMsg() = default;

WindowSizeMsg::WindowSizeMsg(const du::Symbol& name, int width, int height)
    : Msg(name), width_(width), height_(height) {}

WindowSizeMsg::WindowSizeMsg(const WindowSizeMsg& other) = default;
WindowSizeMsg::WindowSizeMsg(WindowSizeMsg&& other) noexcept = default;
WindowSizeMsg& WindowSizeMsg::operator=(const WindowSizeMsg& other) = default;
WindowSizeMsg& WindowSizeMsg::operator=(WindowSizeMsg&& other) noexcept = default;
WindowSizeMsg::~WindowSizeMsg() = default;

ModeMsg::ModeMsg(const du::Symbol& name, const du::Symbol& workflowName, const du::Symbol& modeString,
                 du::SmartPtr<du::RefCounted> modePtr, int modeNumber)
    : Msg(name),
      modeString_(modeString),
      workflowName_(workflowName),
      modePtr_(std::move(modePtr)),
      modeNumber_(modeNumber) {}

ModeMsg::ModeMsg(const du::Symbol& name) : Msg(name), modeNumber_(0) {}

ModeMsg::ModeMsg(const ModeMsg& other) = default;
ModeMsg::ModeMsg(ModeMsg&& other) noexcept = default;
ModeMsg& ModeMsg::operator=(const ModeMsg& other) = default;
ModeMsg& ModeMsg::operator=(ModeMsg&& other) noexcept = default;
ModeMsg::~ModeMsg() = default;

SelectionMsg::SelectionMsg(const du::Symbol& name, unsigned int listId, bool clearSelection,
                           const ItemList& removeItems, const ItemList& addItems)
    : Msg(name),
      removeItems_(removeItems),
      addItems_(addItems),
      listId_(listId),
      clearSelection_(clearSelection) {}

SelectionMsg::SelectionMsg(const SelectionMsg& other) = default;
SelectionMsg::SelectionMsg(SelectionMsg&& other) noexcept = default;
SelectionMsg::~SelectionMsg() = default;

ShapeInstanceMsg::ShapeInstanceMsg(const du::Symbol& name) : Msg(name) {}

ShapeInstanceMsg::ShapeInstanceMsg(const du::Symbol& name,
                                   const du::SmartPtr<rzk::ShapeInstance>& shapeInstance)
    : Msg(name), shapeInstances_{shapeInstance} {}

ShapeInstanceMsg::ShapeInstanceMsg(const ShapeInstanceMsg& other) = default;
ShapeInstanceMsg::ShapeInstanceMsg(ShapeInstanceMsg&& other) noexcept = default;
ShapeInstanceMsg& ShapeInstanceMsg::operator=(const ShapeInstanceMsg& other) = default;
ShapeInstanceMsg& ShapeInstanceMsg::operator=(ShapeInstanceMsg&& other) noexcept = default;
ShapeInstanceMsg::~ShapeInstanceMsg() = default;

ShapeInstanceMarkupOverrideInitMsg::ShapeInstanceMarkupOverrideInitMsg(
    const du::Symbol& name, const du::SmartPtr<rzk::ShapeInstance>& shapeInstance)
    : Msg(name), shapeInstance_(shapeInstance) {}

ShapeInstanceMarkupOverrideInitMsg::ShapeInstanceMarkupOverrideInitMsg(
    const ShapeInstanceMarkupOverrideInitMsg& other) = default;
ShapeInstanceMarkupOverrideInitMsg::ShapeInstanceMarkupOverrideInitMsg(
    ShapeInstanceMarkupOverrideInitMsg&& other) noexcept = default;
ShapeInstanceMarkupOverrideInitMsg& ShapeInstanceMarkupOverrideInitMsg::operator=(
    const ShapeInstanceMarkupOverrideInitMsg& other) = default;
ShapeInstanceMarkupOverrideInitMsg& ShapeInstanceMarkupOverrideInitMsg::operator=(
    ShapeInstanceMarkupOverrideInitMsg&& other) noexcept = default;
ShapeInstanceMarkupOverrideInitMsg::~ShapeInstanceMarkupOverrideInitMsg() = default;

ShapeInstanceMarkupOverrideMsg::ShapeInstanceMarkupOverrideMsg(
    const du::Symbol& name, const du::SmartPtr<rzk::ShapeInstance>& shapeInstance,
    const du::ConstSmartPtr<rzk::GeomMarkupOverride>& markupOverride)
    : Msg(name), shapeInstance_(shapeInstance), markupOverride_(markupOverride) {}

ShapeInstanceMarkupOverrideMsg::ShapeInstanceMarkupOverrideMsg(const ShapeInstanceMarkupOverrideMsg& other) =
    default;
ShapeInstanceMarkupOverrideMsg::ShapeInstanceMarkupOverrideMsg(
    ShapeInstanceMarkupOverrideMsg&& other) noexcept = default;
ShapeInstanceMarkupOverrideMsg& ShapeInstanceMarkupOverrideMsg::operator=(
    const ShapeInstanceMarkupOverrideMsg& other) = default;
ShapeInstanceMarkupOverrideMsg& ShapeInstanceMarkupOverrideMsg::operator=(
    ShapeInstanceMarkupOverrideMsg&& other) noexcept = default;
ShapeInstanceMarkupOverrideMsg::~ShapeInstanceMarkupOverrideMsg() = default;

AnnotationMsg::AnnotationMsg(const du::Symbol& name, const du::SmartPtr<rzk::Annotation>& annotation)
    : Msg(name), annotation_(annotation) {}

AnnotationMsg::AnnotationMsg(const AnnotationMsg& other) = default;
AnnotationMsg::AnnotationMsg(AnnotationMsg&& other) noexcept = default;
AnnotationMsg& AnnotationMsg::operator=(const AnnotationMsg& other) = default;
AnnotationMsg& AnnotationMsg::operator=(AnnotationMsg&& other) noexcept = default;
AnnotationMsg::~AnnotationMsg() = default;

}  // namespace workflow
