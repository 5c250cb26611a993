#include "ui/field_filter.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

#include "core/text.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace nerovale::ui {
namespace {

// The focus came from another control (Tab, a click, a shortcut), not back to the same box from a
// popup or another window: only then does the caret move.
bool MovedHere(const QFocusEvent* event) {
  return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

bool AllPrintable(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// The box's own menu, with its paste going through the guard. The box's standard menu cannot be
// used: its paste would insert the clipboard unfiltered, and its actions carry no names by which
// to find that paste.
void ShowEditMenu(QLineEdit* box, const QPoint& where, const std::function<void()>& paste) {
  QMenu menu(box);
  const bool writable = !box->isReadOnly();
  const bool selected = box->hasSelectedText();
  const auto add = [&menu](const char* name, const QString& caption, bool enabled, const std::function<void()>& act) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(name);
    action->setEnabled(enabled);
    QObject::connect(action, &QAction::triggered, &menu, act);
  };
  add("edit-undo", "Annulla\tCtrl+Z", writable && box->isUndoAvailable(), [box] { box->undo(); });
  add("edit-redo", "Rifai\tCtrl+Y", writable && box->isRedoAvailable(), [box] { box->redo(); });
  menu.addSeparator();
  add("edit-cut", "Taglia\tCtrl+X", writable && selected, [box] { box->cut(); });
  add("edit-copy", "Copia\tCtrl+C", selected, [box] { box->copy(); });
  add("edit-paste", "Incolla\tCtrl+V", writable && !QGuiApplication::clipboard()->text().isEmpty(), paste);
  add("edit-delete", "Elimina", writable && selected, [box] { box->del(); });
  menu.addSeparator();
  add("select-all", "Seleziona tutto\tCtrl+A", !box->text().isEmpty() && box->selectedText() != box->text(),
      [box] { box->selectAll(); });
  menu.exec(where);
}

// Watches a box (and the combo that holds it, when there is one) and lets text in only through
// the box's filter.
class TextGuard final : public QObject {
 public:
  TextGuard(QLineEdit* box, const validation::FieldFilter& filter) : QObject(box), box_(box), filter_(filter) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
        if (MovedHere(static_cast<QFocusEvent*>(event))) {
          // After the toolkit's own handling, which may select the whole text.
          QTimer::singleShot(0, box_, [box = box_] { box->deselect(); box->end(false); });
        }
        return false;
      case QEvent::KeyPress:
        return Key(static_cast<QKeyEvent*>(event));
      case QEvent::InputMethod:
        return InputMethod(static_cast<QInputMethodEvent*>(event));
      case QEvent::ContextMenu:
        ShowEditMenu(box_, static_cast<QContextMenuEvent*>(event)->globalPos(), [this] { Paste(QClipboard::Clipboard); });
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        return MiddleButton(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        event->ignore();
        return true;
      default:
        return false;
    }
  }

 private:
  bool Key(QKeyEvent* key) {
    if (key->matches(QKeySequence::Paste)) {
      Paste(QClipboard::Clipboard);
      return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !AllPrintable(text)) return false;  // Backspace, Enter, Tab, moving and editing keys
    // With Ctrl alone the box inserts nothing and keeps its shortcuts (Ctrl+A, Ctrl+Z, ...); every
    // other combination that carries text (Alt, AltGr, Ctrl+Alt) would insert it.
    const auto modifiers = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (modifiers == Qt::ControlModifier || box_->isReadOnly()) return false;
    Type(text);
    return true;
  }

  // Each character as one keystroke: judged against the length of the text that stays, the selection
  // it replaces left out.
  void Type(const QString& text) {
    for (char32_t typed : text.toUcs4()) {
      const auto length = static_cast<std::size_t>(box_->text().toUcs4().size() - box_->selectedText().toUcs4().size());
      switch (validation::FilterKey(filter_, length, typed)) {
        case validation::KeyVerdict::kAccept: {
          const QString character = QString::fromUcs4(&typed, 1);
          box_->insert(filter_.upper ? QtText(text::ToUpper(Utf8(character))) : character);
          break;
        }
        case validation::KeyVerdict::kRefuse:
          break;
        case validation::KeyVerdict::kRefuseWithMessage:
          Say(box_->window(), Icon::kWarning, QtText(std::string(filter_.full_message)));
          return;
      }
    }
  }

  // Text from outside, as much of it as the filter lets in and the box has room for.
  QString Filtered(const QString& text) const {
    QString filtered = QtText(validation::FilterText(filter_, Utf8(text)));
    if (filter_.field.max_length != 0) {
      const qsizetype room =
          static_cast<qsizetype>(filter_.field.max_length) - box_->text().size() + box_->selectedText().size();
      filtered.truncate(std::max<qsizetype>(room, 0));
    }
    return filtered;
  }

  void Paste(QClipboard::Mode mode) {
    if (!box_->isReadOnly()) box_->insert(Filtered(QGuiApplication::clipboard()->text(mode)));
  }

  // The committed text of an input method is filtered like a paste; what it shows while composing
  // is not text of the box yet.
  bool InputMethod(QInputMethodEvent* event) {
    if (event->commitString().isEmpty()) return false;
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(Filtered(event->commitString()), event->replacementStart(), event->replacementLength());
    static_cast<QObject*>(box_)->event(&filtered);  // straight to the box: not through this guard again
    return true;
  }

  // The middle button pastes the X selection where it is released.
  bool MiddleButton(QWidget* watched, QMouseEvent* event) {
    if (event->button() != Qt::MiddleButton) return false;
    if (event->type() == QEvent::MouseButtonRelease && QGuiApplication::clipboard()->supportsSelection() &&
        !box_->isReadOnly()) {
      box_->deselect();
      box_->setCursorPosition(box_->cursorPositionAt(box_->mapFrom(watched, event->position().toPoint())));
      Paste(QClipboard::Selection);
    }
    return true;
  }

  QLineEdit* box_;
  validation::FieldFilter filter_;
};

class LeaveAction final : public QObject {
 public:
  LeaveAction(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) action_();
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) action_();
    }
    return false;
  }

 private:
  std::function<void()> action_;
};

const QString kDateMask = QStringLiteral("99/99/9999;_");

class MaskOnFirstFocus final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn && MovedHere(static_cast<QFocusEvent*>(event))) {
      auto* box = static_cast<QLineEdit*>(watched);
      if (box->inputMask().isEmpty()) {
        const QString text = box->text();
        box->setInputMask(kDateMask);
        if (!text.isEmpty()) box->setText(text);
      }
      // After the click that gave the focus: an empty box starts at its first place, a filled one at its end.
      QTimer::singleShot(0, box, [box] {
        if (box->displayText() == "__/__/____") box->setCursorPosition(0);
        else box->end(false);
      });
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

namespace {
TextGuard* Guard(QLineEdit* box, const validation::FieldFilter& filter) {
  box->setAcceptDrops(false);
  if (filter.field.max_length != 0) box->setMaxLength(static_cast<int>(filter.field.max_length));
  auto* guard = new TextGuard(box, filter);
  box->installEventFilter(guard);
  return guard;
}
}  // namespace

void InstallFilter(QLineEdit* box, const validation::FieldFilter& filter) { Guard(box, filter); }

void InstallFilter(QComboBox* combo, const validation::FieldFilter& filter) {
  combo->setAcceptDrops(false);
  combo->installEventFilter(Guard(combo->lineEdit(), filter));
}

void OnLeave(QComboBox* combo, std::function<void()> action) {
  combo->installEventFilter(new LeaveAction(combo, std::move(action)));
}

void InstallDateMask(QLineEdit* box) {
  box->setAcceptDrops(false);
  box->installEventFilter(new MaskOnFirstFocus(box));
}

void SetDateBoxText(QLineEdit* box, const QString& text) {
  if (text.isEmpty()) {  // a box that never had the focus: no mask yet
    box->setInputMask(QString());
    box->clear();
    return;
  }
  if (box->inputMask().isEmpty()) box->setInputMask(kDateMask);
  // The mask would close up the gaps of a date typed in part ("_5/12/2026"): each digit goes back to
  // its own place instead.
  box->clear();
  for (int i = 0; i < text.size(); ++i) {
    if (!text[i].isDigit()) continue;
    box->setCursorPosition(i);
    box->insert(text.mid(i, 1));
  }
}

QString DateBoxText(const QLineEdit* box) { return box->inputMask().isEmpty() ? box->text() : box->displayText(); }

}  // namespace nerovale::ui
