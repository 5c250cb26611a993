#pragma once

#include <QElapsedTimer>
#include <QPointer>

class QWidget;

namespace nerovale::ui {

class Attesa;

// Every wait of the windows in one place: while a scope lives, the wait window stands over its
// parent and the cursor is busy. Work that takes long on the window thread calls Tick() now and then:
// the windows repaint (the operator's input, a request to close, stays queued, so nothing changes the
// table under the work), and the answer says whether the work may go on (not once a stop signal has
// come). No window may close while a scope lives (see IsBusy).
class BusyScope {
 public:
  explicit BusyScope(QWidget* parent);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  bool Tick();
  static bool IsBusy() noexcept;

 private:
  void Repaint();

  QPointer<Attesa> wait_;
  QElapsedTimer clock_;
};

}  // namespace nerovale::ui
