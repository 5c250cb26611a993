#include "ui/busy_scope.h"

#include <QApplication>

#include "core/stop_signals.h"
#include "ui/small_windows.h"

namespace nerovale::ui {
namespace {
int scopes = 0;
}  // namespace

BusyScope::BusyScope(QWidget* parent) : wait_(new Attesa(parent)) {
  ++scopes;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  wait_->show();
  Repaint();
}

BusyScope::~BusyScope() {
  if (wait_) wait_->close();
  QApplication::restoreOverrideCursor();
  --scopes;
}

bool BusyScope::Tick() {
  if (clock_.elapsed() >= 50) Repaint();
  return stop::Signal() == 0;
}

bool BusyScope::IsBusy() noexcept { return scopes > 0; }

void BusyScope::Repaint() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  clock_.start();
}

}  // namespace nerovale::ui
