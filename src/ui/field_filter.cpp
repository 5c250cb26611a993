#include "ui/field_filter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>


#include "core/text.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace nerovale::ui {
namespace {

class KeyJudge final : public QObject {
 public:
  KeyJudge(QLineEdit* box, const validation::FieldFilter& filter) : QObject(box), box_(box), filter_(filter) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) {
      // After the toolkit's own handling, which may select the whole text.
      QTimer::singleShot(0, box_, [box = box_] { box->deselect(); box->end(false); });
    }
    if (event->type() == QEvent::ContextMenu) return ContextMenu(static_cast<QContextMenuEvent*>(event));
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Paste)) {
      Paste();
      return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Backspace || !text.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
      return false;
    }
    const char32_t typed = text.toUcs4().value(0);
    switch (validation::FilterKey(filter_, static_cast<std::size_t>(box_->text().toUcs4().size()), typed)) {
      case validation::KeyVerdict::kAccept:
        if (!filter_.upper) return false;
        box_->insert(Q(text::ToUpper(S(text))));  // shown and kept in upper case, as typed
        return true;
      case validation::KeyVerdict::kRefuse:
        return true;
      case validation::KeyVerdict::kRefuseWithMessage:
        Say(box_->window(), Icon::kWarning, QString::fromUtf8(filter_.full_message.data(),
                                                               static_cast<qsizetype>(filter_.full_message.size())));
        return true;
    }
    return true;
  }

 private:
  // Pasted text goes through the same filter as typed text, and only as much as the box has room for.
  void Paste() {
    if (box_->isReadOnly()) return;
    QString text = Q(validation::FilterText(filter_, S(QGuiApplication::clipboard()->text())));
    if (filter_.max_length != 0) {
      const qsizetype room = static_cast<qsizetype>(filter_.max_length) - box_->text().size() + box_->selectedText().size();
      text.truncate(std::max<qsizetype>(room, 0));
    }
    box_->insert(text);
  }

  // The box's own menu, with its paste going through the filter.
  bool ContextMenu(QContextMenuEvent* event) {
    QMenu* menu = box_->createStandardContextMenu();
    for (QAction* action : menu->actions()) {
      if (action->objectName() == "edit-paste") {
        action->disconnect();
        connect(action, &QAction::triggered, this, &KeyJudge::Paste);
      }
    }
    menu->exec(event->globalPos());
    delete menu;
    return true;
  }

  QLineEdit* box_;
  validation::FieldFilter filter_;
};

}  // namespace

void InstallFilter(QLineEdit* box, const validation::FieldFilter& filter) {
  box->setAcceptDrops(false);  // text arrives by typing or by the filtered paste only
  if (filter.max_length != 0) box->setMaxLength(static_cast<int>(filter.max_length));
  box->installEventFilter(new KeyJudge(box, filter));
}


namespace {
class MaskOnFirstFocus final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) {
      auto* box = static_cast<QLineEdit*>(watched);
      if (box->inputMask().isEmpty()) {
        const QString text = box->text();
        box->setInputMask("99/99/9999;_");
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
class FocusOutAction final : public QObject {
 public:
  FocusOutAction(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) action_();
    return false;
  }

 private:
  std::function<void()> action_;
};
}  // namespace

void OnFocusOut(QWidget* widget, std::function<void()> action) {
  widget->installEventFilter(new FocusOutAction(widget, std::move(action)));
}

void InstallDateMask(QLineEdit* box) { box->installEventFilter(new MaskOnFirstFocus(box)); }

QString DateBoxText(const QLineEdit* box) { return box->inputMask().isEmpty() ? box->text() : box->displayText(); }

}  // namespace nerovale::ui
