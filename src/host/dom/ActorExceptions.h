#pragma once

#include <stdexcept>
#include <string>

#include "du/HostExport.h"

namespace dom {

// Raised when an object is put on a queue that has been shut down.
class RZHOST_API ActorShutdownException : public std::runtime_error {
public:
    explicit ActorShutdownException(const std::string& what) : std::runtime_error(what) {}
    ~ActorShutdownException() override;
};

// Raised when the peer at the other end of a message channel is gone.
class RZHOST_API ConnectionLostException : public std::runtime_error {
public:
    explicit ConnectionLostException(const std::string& what) : std::runtime_error(what) {}
    ~ConnectionLostException() override;
};

// Raised when a message is used against the messaging rules (delivered without a target, delivered twice).
class RZHOST_API MessageProtocolException : public std::runtime_error {
public:
    explicit MessageProtocolException(const std::string& what) : std::runtime_error(what) {}
    ~MessageProtocolException() override;
};

// Raised when an actor operation needs a managed object and gets one that is not (or no longer) managed,
// or when a queue is run by a second thread.
class RZHOST_API InvalidActorException : public std::runtime_error {
public:
    explicit InvalidActorException(const std::string& what) : std::runtime_error(what) {}
    ~InvalidActorException() override;
};

}  // namespace dom
