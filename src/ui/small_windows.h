#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <functional>

class QCalendarWidget;
class QLineEdit;
class QPushButton;

namespace nerovale::ui {

// Confirmation before clearing every subject; Enter cancels. "Si" says confirmed() and closes.
class AvvisoTabella final : public QDialog {
  Q_OBJECT
 public:
  explicit AvvisoTabella(QWidget* parent);
 signals:
  void confirmed();
};

// The date picker: a click on a day writes it as dd/mm/yyyy into the target box and closes.
class CalendarDialog final : public QDialog {
  Q_OBJECT
 public:
  CalendarDialog(QWidget* parent, QString current_cal, QLineEdit* target);
  QString CurrentCal;
  QCalendarWidget* calendar() const { return calendar_; }
  void Pick(const QDate& date);

 private:
  QCalendarWidget* calendar_;
  QPointer<QLineEdit> target_;
};

// The special characters palette: a click types the character into the target box, through the
// box's own filter.
class Diacritici final : public QDialog {
  Q_OBJECT
 public:
  explicit Diacritici(QWidget* parent);
  int CurrentBox = 0;
  void SetTarget(int code, QLineEdit* box);
  void Pick(const QString& character);

 private:
  QPointer<QLineEdit> target_;
};

// The calendar over the window of a date box, modal; current_cal names which box ("principale",
// "soggetto") takes the day.
CalendarDialog* OpenCalendar(const QString& current_cal, QLineEdit* box);

// The palette over the window of a box, in the slot of that window (one palette a window), aimed
// at the box: target is the box's number among the palette's targets.
Diacritici* OpenPalette(QPointer<Diacritici>& slot, int target, QLineEdit* box);

// "Attendere: verifica dei dati . . ." while the whole table is checked.
class Attesa final : public QWidget {
  Q_OBJECT
 public:
  explicit Attesa(QWidget* parent);
};

// The splash window, closed by "Entra" or by the main window's Timer2.
class FrmSplash final : public QDialog {
  Q_OBJECT
 public:
  explicit FrmSplash(QWidget* parent);
};

// A label that acts as a button: on a click, or on Space or Enter when it has the focus, which Tab
// and the arrows move from label to label; the focused one shows a thick frame.
class ClickableLabel final : public QLabel {
  Q_OBJECT
 public:
  ClickableLabel(const QString& text, QWidget* parent);
 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace nerovale::ui
