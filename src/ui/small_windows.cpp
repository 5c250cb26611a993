#include "ui/small_windows.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/version.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

namespace nerovale::ui {
namespace {

// Twips to pixels at 96 dots per inch.
constexpr int Px(int twips) { return twips / 15; }

}  // namespace

QIcon CalendarIcon() {
  QPixmap pixmap(18, 18);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(80, 80, 80));
  painter.setBrush(Qt::white);
  painter.drawRect(1, 2, 15, 14);
  painter.fillRect(2, 3, 14, 4, QColor(200, 40, 40));
  for (int x = 4; x < 16; x += 4) {
    for (int y = 9; y < 16; y += 3) painter.fillRect(x, y, 2, 2, QColor(80, 80, 80));
  }
  return QIcon(pixmap);
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  emit clicked();
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: emit clicked(); return;
    case Qt::Key_Right:
    case Qt::Key_Down: focusNextPrevChild(true); return;
    case Qt::Key_Left:
    case Qt::Key_Up: focusNextPrevChild(false); return;
    default: QLabel::keyPressEvent(event);
  }
}

void ClickableLabel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  setLineWidth(3);
}

void ClickableLabel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  setLineWidth(1);
}

AvvisoTabella::AvvisoTabella(QWidget* parent) : QDialog(parent) {
  setObjectName("AvvisoTabella");
  setWindowTitle(" Elimina Soggetti");
  auto* label = new QLabel("  Eliminare tutti i Soggetti ?", this);
  label->setObjectName("Label1");
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  auto* si = new QPushButton("Si", this);
  si->setObjectName("Command1");
  auto* annulla = new QPushButton("Annulla", this);
  annulla->setObjectName("Command2");
  si->setAutoDefault(true);
  annulla->setAutoDefault(true);
  annulla->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(si);
  buttons->addWidget(annulla);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(buttons);
  setAttribute(Qt::WA_DeleteOnClose);
  connect(si, &QPushButton::clicked, this, [this] {
    emit confirmed();
    close();
  });
  connect(annulla, &QPushButton::clicked, this, &QDialog::close);
  annulla->setFocus();  // Enter cancels
}

CalendarDialog::CalendarDialog(QWidget* parent, QString current_cal, QLineEdit* target)
    : QDialog(parent), CurrentCal(std::move(current_cal)), calendar_(new QCalendarWidget(this)), target_(target) {
  setObjectName("Calendar");
  setWindowTitle(" Calendario");
  calendar_->setObjectName("MonthView1");
  calendar_->setSelectedDate(QDate::currentDate());
  if (auto* days = calendar_->findChild<QAbstractItemView*>()) days->setAccessibleName(QtText(std::string(kDaysName)));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(calendar_);
  setAttribute(Qt::WA_DeleteOnClose);
  connect(calendar_, &QCalendarWidget::clicked, this, &CalendarDialog::Pick);
  connect(calendar_, &QCalendarWidget::activated, this, &CalendarDialog::Pick);  // Enter or a double click
}

void CalendarDialog::Pick(const QDate& date) {
  // The target box takes the text if it can; the calendar closes all the same.
  if (target_ && (CurrentCal == "principale" || CurrentCal == "soggetto")) {
    target_->setText(date.toString("dd/MM/yyyy"));
  }
  close();
}

CalendarDialog* OpenCalendar(const QString& current_cal, QLineEdit* box) {
  auto* calendar = new CalendarDialog(box->window(), current_cal, box);
  calendar->setModal(true);
  calendar->show();
  return calendar;
}

Diacritici* OpenPalette(QPointer<Diacritici>& slot, int target, QLineEdit* box) {
  if (slot) slot->close();
  slot = new Diacritici(box->window());
  slot->SetTarget(target, box);
  slot->show();
  return slot;
}

Diacritici::Diacritici(QWidget* parent) : QDialog(parent) {
  setObjectName("diacritici");
  setWindowTitle(" Caratteri Speciali");
  setFixedSize(Px(3900), Px(3500));
  auto* title = new QLabel("Cliccare sul carattere per selezionare :", this);
  title->setObjectName("Label1");
  title->move(Px(240), Px(120));
  struct Cell {
    const char* character;
    int left;
    int top;
  };
  static const Cell kCells[] = {
      {"À", 240, 480},   {"Á", 720, 480},   {"Â", 1200, 480},  {"Ã", 1800, 480},  {"Ä", 2280, 480},  {"Å", 2760, 480},
      {"Æ", 3240, 480},  {"Ç", 240, 960},   {"Ð", 1200, 960},  {"È", 1800, 960},  {"É", 2280, 960},  {"Ê", 2760, 960},
      {"Ë", 3240, 960},  {"Ì", 240, 1440},  {"Í", 720, 1440},  {"Î", 1200, 1440}, {"Ï", 1680, 1440}, {"Ñ", 2640, 1440},
      {"Ò", 240, 1920},  {"Ó", 720, 1920},  {"Ô", 1200, 1920}, {"Õ", 1680, 1920}, {"Ö", 2160, 1920}, {"Ø", 2640, 1920},
      {"ß", 240, 2400},  {"Þ", 1200, 2400}, {"Ù", 240, 2880},  {"Ú", 720, 2880},  {"Û", 1200, 2880}, {"Ü", 1680, 2880},
      {"Ý", 2640, 2880},
  };
  int number = 2;
  for (const Cell& cell : kCells) {
    auto* label = new ClickableLabel(QString::fromUtf8(cell.character), this);
    label->setObjectName(QString("Label%1").arg(number++));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Box);
    label->setGeometry(Px(cell.left), Px(cell.top), Px(375), Px(375));
    connect(label, &ClickableLabel::clicked, this, [this, label] { Pick(label->text()); });
    if (number == 3) label->setFocus();  // the palette opens on its first letter
  }
  setAttribute(Qt::WA_DeleteOnClose);
}

void Diacritici::SetTarget(int code, QLineEdit* box) {
  CurrentBox = code;
  target_ = box;
}

void Diacritici::Pick(const QString& character) {
  // The target box gets the focus back, then the character arrives as one keystroke, so that it
  // lands at the caret and passes the box's own filter.
  QPointer<QLineEdit> box = CurrentBox != 0 ? target_ : nullptr;
  CurrentBox = 0;
  if (box) {
    box->activateWindow();
    box->setFocus();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, character);
    QApplication::sendEvent(box, &release);
  }
  close();
}

Attesa::Attesa(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("attesa");
  auto* label = new QLabel("Attendere: verifica dei dati . . .", this);
  label->setObjectName("Label1");
  QFont bold = label->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  label->setFont(bold);
  label->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  setFixedSize(Px(4680), Px(1590));
  setAttribute(Qt::WA_DeleteOnClose);
}

FrmSplash::FrmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName("frmSplash");
  setWindowTitle("Nerovale");
  auto* frame = new QGroupBox(this);
  frame->setObjectName("Frame1");
  const auto label = [frame](const char* name, const QString& text, int size, bool bold) {
    auto* l = new QLabel(text, frame);
    l->setObjectName(name);
    QFont font = l->font();
    if (size > 0) font.setPointSize(size);
    font.setBold(bold);
    if (size > 20) font.setFamily("Arial");
    l->setFont(font);
    l->setAlignment(Qt::AlignCenter);
    return l;
  };
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(label("lblProductName", "Nerovale", 32, true));
  layout->addWidget(label("Label1", "Comunicazione dei decessi", 14, true));
  layout->addWidget(label("lblVersion", QString::fromUtf8(kVersionText.data(), kVersionText.size()), 0, true));
  layout->addWidget(label("lblPlatform", "Per Linux, Qt 6", 0, false));
  layout->addWidget(label("lblCompanyProduct", "Ufficio di Stato Civile", 0, false));
  layout->addWidget(label("lblCompany", "Servizi Demografici del Comune", 0, false));
  layout->addWidget(label("lblCopyright", "Rilasciato con licenza EUPL-1.2", 0, false));
  layout->addWidget(label("lblWarning", "", 0, false));
  auto* entra = new QPushButton("Entra", frame);
  entra->setObjectName("Command1");
  layout->addWidget(entra, 0, Qt::AlignHCenter);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(frame);
  setFixedSize(Px(7425), Px(4560));
  setAttribute(Qt::WA_DeleteOnClose);
  connect(entra, &QPushButton::clicked, this, &QDialog::close);
}

}  // namespace nerovale::ui
