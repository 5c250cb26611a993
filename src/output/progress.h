#pragma once

#include <functional>

namespace nerovale::output {

// Called now and then while a long step works (a notice written or read back), so that a window can
// repaint and show that the program is busy; it must not change what the step works on. It answers
// whether the step may go on: false (a stop signal arrived) ends the step as soon as it can, with
// nothing half made left behind.
using Progress = std::function<bool()>;

}  // namespace nerovale::output
