#pragma once

#include <functional>

namespace nerovale::output {

// Called now and then while a long step works (a notice written or read back), so that a window can
// repaint and show that the program is busy; it must not change what the step works on.
using Progress = std::function<void()>;

}  // namespace nerovale::output
