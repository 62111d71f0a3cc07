#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/SceneObjects.h"

namespace rzk {

class AnnotationSetObserver;

// A stand-in extension, not part of the host's interface: an annotation with the little geometry a viewer
// draws over the model every frame, in window pixels (x to the right, y down from the top left), in one
// colour (0xAARRGGBB). It is what a workflow shows while it works: a rubber band, a measured line, a label.
// It cannot change once made: to move it, put a new one in its place (AnnoSet::Replace).
//
//     du::SmartPtr<rzk::Annotation> band(rzk::DrawnAnnotation::Rectangle({10, 10}, {80, 60}, 0xffffff00));
//     annoSet->Add(band);  // drawn from the next frame on
//     du::SmartPtr<rzk::Annotation> wider(rzk::DrawnAnnotation::Rectangle({10, 10}, {90, 70}, 0xffffff00));
//     annoSet->Replace(band, wider);
//     annoSet->Remove(wider);  // gone from the next frame on
//
// Any thread.
class RZHOST_API DrawnAnnotation : public Annotation {
public:
    enum class Kind { Polyline, Rectangle, Text };
    struct Point {
        int x = 0;
        int y = 0;
        bool operator==(const Point&) const = default;
    };

    // Straight lines through the points in turn (two points: one line).
    static du::SmartPtr<DrawnAnnotation> Polyline(std::vector<Point> points, std::uint32_t color);
    // The outline of the rectangle with these opposite corners, given in any order.
    static du::SmartPtr<DrawnAnnotation> Rectangle(Point corner, Point opposite, std::uint32_t color);
    // A line of text whose top left is at.
    static du::SmartPtr<DrawnAnnotation> Text(Point at, std::string text, std::uint32_t color);

    Kind GetKind() const { return kind_; }
    // The polyline's points, the rectangle's two corners, the text's position.
    const std::vector<Point>& GetPoints() const { return points_; }
    // The text; empty for the other kinds.
    const std::string& GetText() const { return text_; }
    std::uint32_t GetColor() const { return color_; }

private:
    DrawnAnnotation(Kind kind, std::vector<Point> points, std::string text, std::uint32_t color);

    const Kind kind_;
    const std::vector<Point> points_;
    const std::string text_;
    const std::uint32_t color_;
};

// The annotations (markups, notes, dimensions) that belong to a scene. It reports additions and removals
// with its Post calls to every registered observer (see AnnotationSetObserver). Add, Replace and Remove are
// a stand-in extension: the set keeps what was added, in order, so that a viewer can draw it.
class RZHOST_API AnnoSet : public virtual du::RefCounted {
public:
    AnnoSet();
    ~AnnoSet() override;

    // Puts observer on this set's list, leaving the subject it watched before. The observer's queue thread
    // only.
    void RegisterObserver(AnnotationSetObserver& observer);
    // Every observer gets DetachSubject, and the list is emptied. Any thread.
    void DetachObservers();
    // Any thread.
    std::size_t GetObserverCount() const;

    // Any thread.
    void PostAnnotationAdded(const du::SmartPtr<Annotation>& annotation);
    // Any thread.
    void PostAnnotationRemoved(const du::SmartPtr<Annotation>& annotation);

    // Keeps annotation (last, drawn on top) and posts its addition; one already kept is left alone. Any
    // thread.
    void Add(const du::SmartPtr<Annotation>& annotation);
    // Puts replacement in the place of old (or adds it last when old is not kept), posting the removal and
    // the addition. Any thread.
    void Replace(const du::SmartPtr<Annotation>& old, const du::SmartPtr<Annotation>& replacement);
    // Lets annotation go and posts its removal; one not kept is left alone. Any thread.
    void Remove(const du::SmartPtr<Annotation>& annotation);
    // What is kept, first added first. Any thread.
    std::vector<du::SmartPtr<Annotation>> GetAnnotations() const;
    // Counts every change of what is kept: a viewer draws again when it moves on. Any thread.
    std::uint64_t GetRevision() const;

private:
    const du::SmartPtr<ObserverRegistry> observers_;
    mutable std::mutex lock_;
    std::vector<du::SmartPtr<Annotation>> kept_;
    std::uint64_t revision_ = 0;
};

}  // namespace rzk
