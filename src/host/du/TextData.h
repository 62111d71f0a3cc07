#pragma once

#include <string>
#include <utility>

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace du {

// A text handed around as counted data, for example as the data of a notification, so that a receiver in
// another library can read it without knowing the sender's classes:
//
//     manager->SendNotification(source, "handled", 0, du::SmartPtr<du::RefCounted>(new du::TextData("...")));
//     if (auto* text = dynamic_cast<const du::TextData*>(data.Get())) { use(text->GetText()); }
class RZHOST_API TextData : public virtual RefCounted {
public:
    explicit TextData(std::string text) : text_(std::move(text)) {}
    ~TextData() override;
    // Any thread.
    const std::string& GetText() const { return text_; }

private:
    const std::string text_;
};

}  // namespace du
