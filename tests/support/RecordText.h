#pragma once

#include <string>
#include <vector>

#include "diagnostics/FlightRecord.h"

namespace testing_support {

// A flight record as a short text for expectations, the fields its kind uses and its time:
// "Button 0 down 10 20 @10", "Removed measure 2000 off @40". Kinds no test expects read "Kind N @time".
inline std::string RecordText(const workflow::FlightRecord& record) {
    using Kind = workflow::FlightRecord::Kind;
    auto n = [](auto number) { return " " + std::to_string(number); };
    const std::string flag = record.flag ? " on" : " off";
    std::string text;
    switch (record.kind) {
        case Kind::Button:
            text = "Button" + n(record.a) + (record.flag ? " down" : " up") + n(record.b) + n(record.c);
            break;
        case Kind::Move:
            text = "Move" + n(record.b) + n(record.c);
            break;
        case Kind::Wheel:
            text = "Wheel" + n(record.a) + n(record.b) + n(record.c);
            break;
        case Kind::Modifier:
            text = "Modifier" + n(record.a) + flag;
            break;
        case Kind::Key:
            text = "Key \"" + std::string(record.Text()) + "\" " + std::string(record.first.View());
            break;
        case Kind::Size:
            text = "Size" + n(record.a) + n(record.b);
            break;
        case Kind::Leave:
            text = "Leave";
            break;
        case Kind::Installed:
        case Kind::Removed:
        case Kind::Persisted:
            text = std::string(record.kind == Kind::Installed ? "Installed "
                               : record.kind == Kind::Removed ? "Removed "
                                                              : "Persisted ") +
                   std::string(record.first.View()) + n(record.priority) + flag;
            break;
        default:
            text = "Kind" + n(static_cast<int>(record.kind));
            break;
    }
    return text + " @" + std::to_string(record.time);
}

inline std::vector<std::string> RecordTexts(const workflow::RecordedInput& input) {
    std::vector<std::string> texts;
    for (const workflow::FlightRecord& record : input.records) {
        texts.push_back(RecordText(record));
    }
    return texts;
}

}  // namespace testing_support
