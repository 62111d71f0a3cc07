#pragma once

#include <string>
#include <utility>

#include "Command.h"
#include "du/Symbol.h"

namespace rzk {
class Window;
class WorkflowManager;
}  // namespace rzk

namespace session {

// How a host drives the plug-in with the language: window input through the window, host calls on the
// manager (its proxy). What a host does with the other commands is its own.
//
//   if (const auto* input = std::get_if<session::WindowInput>(&command)) {
//       session::Post(*input, window);
//   } else if (const auto* call = std::get_if<session::HostCall>(&command)) {
//       session::Apply(*call, manager);
//   }

// Posts to window the event the input stands for. Any thread.
void Post(const WindowInput& input, rzk::Window& window);

// Makes the manager call the host call stands for. Any thread the manager may be called from.
void Apply(const HostCall& call, rzk::WorkflowManager& manager);

// A key word as the window reports it: one character is its own text; named keys with a character of
// their own give that character (Escape gives "\x1b"); other names are system keys without text.
std::pair<std::string, du::Symbol> KeyOf(const std::string& word);

// Field number field of a status bar's text as a view shows it: the manager joins the fields that are not
// empty with three blanks, so the text is split at each three blanks, and a field beyond the last is "".
// Any thread.
std::string StatusField(const std::string& statusText, unsigned int field);

}  // namespace session
