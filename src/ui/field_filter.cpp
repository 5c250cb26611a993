#include "ui/field_filter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>

#include <optional>

#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace nerovale::ui {
namespace {

// Whatever reaches the box passes through the filter as a whole.
class FilterValidator final : public QValidator {
 public:
  FilterValidator(const validation::FieldFilter& filter, QObject* parent) : QValidator(parent), filter_(filter) {}

  State validate(QString& input, int& pos) const override {
    const QString filtered = Q(validation::FilterText(filter_, S(input)));
    if (filtered != input) {
      pos = std::min<int>(pos - static_cast<int>(input.size() - filtered.size()), static_cast<int>(filtered.size()));
      pos = std::max(pos, 0);
      input = filtered;
    }
    return Acceptable;
  }

 private:
  validation::FieldFilter filter_;
};

class KeyJudge final : public QObject {
 public:
  KeyJudge(QLineEdit* box, std::optional<validation::FieldFilter> filter)
      : QObject(box), box_(box), filter_(filter) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) {
      // After the toolkit's own handling, which may select the whole text.
      QTimer::singleShot(0, box_, [box = box_] { box->deselect(); box->end(false); });
    }
    if (!filter_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Backspace || !text.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
      return false;
    }
    const char32_t typed = text.toUcs4().value(0);
    switch (validation::FilterKey(*filter_, static_cast<std::size_t>(box_->text().toUcs4().size()), typed)) {
      case validation::KeyVerdict::kAccept:
        return false;
      case validation::KeyVerdict::kRefuse:
        return true;
      case validation::KeyVerdict::kRefuseWithMessage:
        Say(box_->window(), Icon::kWarning, QString::fromUtf8(filter_->full_message.data(),
                                                               static_cast<qsizetype>(filter_->full_message.size())));
        return true;
    }
    return true;
  }

 private:
  QLineEdit* box_;
  std::optional<validation::FieldFilter> filter_;
};

}  // namespace

void InstallFilter(QLineEdit* box, const validation::FieldFilter& filter) {
  box->setValidator(new FilterValidator(filter, box));
  if (filter.max_length != 0) box->setMaxLength(static_cast<int>(filter.max_length));
  box->installEventFilter(new KeyJudge(box, filter));
}

void CaretToEndOnFocus(QLineEdit* box) { box->installEventFilter(new KeyJudge(box, std::nullopt)); }

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
        box->setText(text);
      }
      if (box->displayText() != "__/__/____") QTimer::singleShot(0, box, [box] { box->end(false); });
    }
    return QObject::eventFilter(watched, event);
  }
};
}  // namespace

void InstallDateMask(QLineEdit* box) { box->installEventFilter(new MaskOnFirstFocus(box)); }

QString DateBoxText(const QLineEdit* box) { return box->inputMask().isEmpty() ? box->text() : box->displayText(); }

}  // namespace nerovale::ui
