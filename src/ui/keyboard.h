#pragma once

#include <functional>
#include <initializer_list>

class QComboBox;
class QWidget;

namespace nerovale::ui {

// The keys a clerk expects in every window of the program: Enter (and the keypad's Enter) presses
// the push or picture button that has the focus, as Space does. Enter in a box keeps its own meaning.
// Call once, after the QApplication exists.
void UseOfficeKeys();

// The list of an editable combo opens at the name it holds, or at the first name that begins with
// its text, instead of at its top; Up and Down then move from there.
void OpenListAtText(QComboBox* combo);

// Runs the action when one of the keys (without Ctrl or Alt) is pressed in the widget, and the key goes
// no further: a list's Enter opens its entry and never reaches the default button of its dialog.
void OnKeys(QWidget* widget, std::initializer_list<int> keys, std::function<void()> action);

}  // namespace nerovale::ui
