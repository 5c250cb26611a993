#pragma once

namespace nerovale::ui {

// The whole interface in Italian whatever the environment says: the default locale (the calendar's
// month and day names, numbers and dates) and Qt's own texts (the buttons of the message boxes,
// the standard dialogs). Call once, after the QApplication exists and before any window.
void UseItalian();

}  // namespace nerovale::ui
