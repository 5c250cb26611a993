#pragma once

#include <QString>

#include <functional>

#include "validation/key_filter.h"

class QLineEdit;
class QWidget;

namespace nerovale::ui {

// Connects a box to its filter: typed keys are judged one by one (a full box may say so in a
// message), a paste (keys or menu) is filtered as a whole, and drops are refused. Text the program
// itself writes (a name chosen from a list, a stored row) is not filtered. The caret goes to the
// end of the text when the box gets the focus.
void InstallFilter(QLineEdit* box, const validation::FieldFilter& filter);

// Runs an action whenever a widget loses the focus.
void OnFocusOut(QWidget* widget, std::function<void()> action);

// A masked date box: no mask until its first focus, then "##/##/####" with "_" in unfilled places.
void InstallDateMask(QLineEdit* box);
// The text of a date box with its literals ("__/__/____" untouched), or "" before its first focus.
QString DateBoxText(const QLineEdit* box);

}  // namespace nerovale::ui
