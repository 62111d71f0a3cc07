#include "dom/ActorExceptions.h"

namespace dom {

ActorShutdownException::~ActorShutdownException() = default;
ConnectionLostException::~ConnectionLostException() = default;
MessageProtocolException::~MessageProtocolException() = default;
InvalidActorException::~InvalidActorException() = default;

}  // namespace dom
