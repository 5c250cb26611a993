#pragma once

#include <QString>

#include <functional>

#include "validation/key_filter.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace nerovale::ui {

// Guards a box with its filter, whatever way the operator's text arrives: typed keys, with any
// modifier, are judged one by one (a full box may say so in a message); a paste by Ctrl+V or
// Shift+Insert, by the box's menu or by the middle button (the X selection), and the text of an
// input method, are filtered as a whole and cut at the room left in the box; drops are refused.
// Text that the program writes itself (a name chosen from a list, a stored row) is not filtered.
// The caret goes to the end of the text when the box gets the focus.
void InstallFilter(QLineEdit* box, const validation::FieldFilter& filter);
// The same for an editable combo box: its keys and focus arrive at the combo, its mouse clicks and
// menu at its line edit, and the guard watches both.
void InstallFilter(QComboBox* combo, const validation::FieldFilter& filter);

// Runs an action whenever the operator leaves the combo (the focus goes elsewhere by Tab,
// Shift+Tab, a click or a button) and when Enter is pressed in it.
void OnLeave(QComboBox* combo, std::function<void()> action);

// A masked date box: no mask until its first focus, then "##/##/####" with "_" in unfilled places.
// The mask is its filter; drops are refused.
void InstallDateMask(QLineEdit* box);
// Shows again a text that the date box showed before (a notice restored from its draft): with the
// mask when the text is not empty, as the box had it then.
void SetDateBoxText(QLineEdit* box, const QString& text);
// The text of a date box with its literals ("__/__/____" untouched), or "" before its first focus.
QString DateBoxText(const QLineEdit* box);

}  // namespace nerovale::ui
