#include "rzk/View.h"

namespace rzk {

void View::SetStatusMessage(const std::string&) {}

void Window::SetCursor(const du::Symbol&) {}
void Window::ResetCursor() {}
void Window::SetCursorPosition(int, int) {}

}  // namespace rzk
