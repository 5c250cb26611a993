#include "ui/keyboard.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace nerovale::ui {
namespace {

class EnterPressesButtons final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    // An option button is chosen with Space or the arrows: Enter there keeps its meaning in the window.
    if (button == nullptr || button->isCheckable() || !button->isEnabled()) return false;
    if (!key->isAutoRepeat()) button->click();
    return true;
  }
};

// Watches the popup of a combo: as it shows, its current row becomes the combo's name (or the
// first that begins with the text), which the combo then scrolls into view.
class ListAtText final : public QObject {
 public:
  explicit ListAtText(QComboBox* combo) : QObject(combo), combo_(combo) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      const QString text = combo_->currentText();
      int row = text.isEmpty() ? -1 : combo_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
      if (row < 0 && !text.isEmpty()) row = combo_->findText(text, Qt::MatchStartsWith | Qt::MatchCaseSensitive);
      if (row >= 0) {
        const QModelIndex index = combo_->model()->index(row, combo_->modelColumn(), combo_->rootModelIndex());
        combo_->view()->setCurrentIndex(index);
        combo_->view()->scrollTo(index, QAbstractItemView::PositionAtCenter);
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QComboBox* combo_;
};

class KeyAction final : public QObject {
 public:
  KeyAction(QObject* parent, std::initializer_list<int> keys, std::function<void()> action)
      : QObject(parent), keys_(keys), action_(std::move(action)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0 &&
          std::find(keys_.begin(), keys_.end(), key->key()) != keys_.end()) {
        action_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::vector<int> keys_;
  std::function<void()> action_;
};

}  // namespace

void UseOfficeKeys() {
  auto* app = QCoreApplication::instance();
  app->installEventFilter(new EnterPressesButtons(app));
}

void OpenListAtText(QComboBox* combo) { combo->view()->window()->installEventFilter(new ListAtText(combo)); }

void OnKeys(QWidget* widget, std::initializer_list<int> keys, std::function<void()> action) {
  widget->installEventFilter(new KeyAction(widget, keys, std::move(action)));
}

}  // namespace nerovale::ui
