#include "messages/Msg.h"

#include <utility>

namespace workflow {

Msg::Msg(const du::Symbol& name) : name_(name) {}

Msg::Msg(const Msg& other) = default;

Msg::Msg(Msg&& other) noexcept : name_(std::move(other.name_)) {}

Msg& Msg::operator=(const Msg& other) = default;

Msg& Msg::operator=(Msg&& other) noexcept {
    name_ = other.name_;
    return *this;
}

Msg::~Msg() = default;

}  // namespace workflow
