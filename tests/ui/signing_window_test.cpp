// Signing a validated notice from its success message, on a real SoftHSM2 token, and "Verifica firma"
// on the signed file and on one without its XML beside it.
// The token's helper comes before Qt, whose "slots" keyword would rewrite its declarations.
#include "softhsm_token.h"

#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>

#include <utility>

#include "notice_fixture.h"
#include "pdf_text.h"
#include "signature/signature_texts.h"
#include "signature/signing.h"
#include "ui/signing_window.h"
#include "ui/summary_print.h"
#include "window_fixture.h"

namespace nerovale::ui {
namespace {

class SigningWindow : public testing::WindowTest {
 protected:
  static void SetUpTestSuite() {
    hsm_ = new testing::SoftHsmToken;
    // The first certificate lacks the non-repudiation use; the second is the contact person's.
    hsm_->Add({"firma-rossi", "\x01", "ROSSI MARIO", -30, 365, false});
    hsm_->Add({"firma-bianchi", "\x02", "Lucia Bianchi"});
  }
  static void TearDownTestSuite() { delete hsm_; }

  // Runs the steps once the next modal window's own event loop has started.
  void WhenModal(std::function<void()> steps) {
    QTimer::singleShot(0, [this, steps = std::move(steps)] {
      static_cast<void>(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
      if (QApplication::activeModalWidget() == nullptr) {
        ADD_FAILURE() << "no modal window";
        return;
      }
      Activate(QApplication::activeModalWidget());
      steps();
      // A failed step leaves its window open: it goes, so that the test ends.
      if (QWidget* left = QApplication::activeModalWidget()) left->close();
    });
  }
  // "Verifica firma" on a file typed in the file dialog.
  void Verify(Principale& w, const std::filesystem::path& p7m) {
    WhenModal([this, p7m] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->nameFilters(), QStringList{"File firmati (*.p7m)"});
      TypeText(QString::fromStdString(p7m.string()));
      Press(Qt::Key_Return);
    });
    Choose(&w, "verificaFirma");
  }

  static testing::SoftHsmToken* hsm_;
};
testing::SoftHsmToken* SigningWindow::hsm_ = nullptr;

// "Firma digitale" beside "Stampa riepilogo": the module typed goes to firma.ini and the token's
// certificates come up with the contact person's chosen; a wrong PIN is said and may be typed again;
// a certificate without non-repudiation asks first (No signs nothing); the right PIN signs, and the
// success message comes back, and the summary printed then names the signer and the signed file.
TEST_F(SigningWindow, SigningTheNoticeFromItsSuccessMessage) {
  Principale& w = Open();
  ASSERT_TRUE(w.model().Append(testing::ValidItalianRow()));
  TypeHeader(w, "123");
  // The success message is answered "Firma digitale", and the signing dialog it opens is worked.
  std::function<void()> signing;
  SetMessageHook([this, &signing](const MessageRequest& request) {
    messages.push_back(request);
    if (!request.second_extra_button.isEmpty() && signing) WhenModal(std::exchange(signing, {}));
    return answer;
  });
  answer = kSecondExtraButton;
  signing = [&] {
    auto* dialog = w.findChild<FirmaDigitale*>();
    ASSERT_NE(dialog, nullptr);
    answer = QMessageBox::No;
    EXPECT_EQ(dialog->windowTitle(), "Firma digitale");
    auto* module = Find<QLineEdit>(dialog, "TextModulo");
    auto* certificates = Find<QComboBox>(dialog, "ComboCertificato");
    auto* pin = Find<QLineEdit>(dialog, "TextPin");
    EXPECT_EQ(module->text(), signature::kDefaultModule);
    EXPECT_EQ(pin->echoMode(), QLineEdit::Password);
    Click(module);
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(testing::kSoftHsmModule);
    Press(Qt::Key_Return);
    signature::Settings saved;
    EXPECT_TRUE(signature::ReadSettings(dir / "firma.ini", saved));
    EXPECT_EQ(saved.module, testing::kSoftHsmModule);
    ASSERT_EQ(certificates->count(), 2);
    EXPECT_TRUE(certificates->currentText().startsWith("Lucia Bianchi — Lucia Bianchi, valido fino al "))
        << certificates->currentText();
    EXPECT_TRUE(certificates->currentText().endsWith(" (Nerovale prova)"));

    TypeInto(pin, "9999");
    Press(Qt::Key_Return);
    EXPECT_TRUE(Said().startsWith("PIN errato.")) << Said();
    EXPECT_EQ(pin->text(), "");
    EXPECT_TRUE(dialog->isVisible());
    Activate(dialog);
    EXPECT_EQ(Focused(), pin);

    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focused(), certificates);
    TypeText("R");  // ROSSI MARIO, without non-repudiation: No to the question
    Tab();
    TypeText(testing::kTokenPin);
    Click(Find<QPushButton>(dialog, "Command1"));
    EXPECT_EQ(Said().toStdString(), signature::NoNonRepudiationQuestion("ROSSI MARIO"));
    EXPECT_TRUE(dialog->isVisible());

    Press(Qt::Key_Tab, Qt::ShiftModifier);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(Focused(), certificates);
    QTest::qWait(QApplication::keyboardInputInterval() + 100);  // "L" starts a new search, not "RL"
    TypeText("L");
    Tab();
    ASSERT_EQ(Focused(), pin);
    Press(Qt::Key_A, Qt::ControlModifier);
    TypeText(testing::kTokenPin);
    Tab();
    ASSERT_EQ(Focused(), Find<QPushButton>(dialog, "Command1"));
    answer = kExtraButton;  // the message that comes back: "Stampa riepilogo"
    Press(Qt::Key_Return);  // on "Firma"
    EXPECT_EQ(pin->text(), "");
  };
  SetPrintHook([](QPrinter&) { return false; });
  CreateNotice(w);
  SetPrintHook({});

  const auto notice = session->last_notice()->file;
  const std::filesystem::path p7m = notice.string() + ".p7m";
  const QStringList said = Texts();
  EXPECT_EQ(said.count(said.front()), 2) << "the success message comes back after signing";
  EXPECT_EQ(messages.front().extra_button, "Stampa riepilogo");
  EXPECT_EQ(messages.front().second_extra_button, "Firma digitale");
  EXPECT_TRUE(said.contains(QString::fromStdString(signature::SignedText(p7m.string(), "Lucia Bianchi"))))
      << said.join("|");
  ASSERT_TRUE(std::filesystem::exists(p7m));
  EXPECT_TRUE(signature::ReportIsGood(signature::CheckSignedFile(p7m)));
  const std::string summary = testing::PdfText(notice.parent_path().parent_path() / "nerovale_123_20261130_riepilogo.pdf");
  EXPECT_NE(summary.find("Lucia Bianchi"), std::string::npos) << summary;
  EXPECT_NE(summary.find(p7m.filename().string()), std::string::npos) << summary;

  // The report of the signed file; a copy without its XML beside it is a warning.
  Verify(w, p7m);
  EXPECT_EQ(messages.back().icon, Icon::kInformation);
  EXPECT_TRUE(Said().startsWith(QString::fromStdString("La firma del file " + p7m.string() + " è integra.\nFirmato da: Lucia Bianchi")))
      << Said();
  const auto alone = dir / "copia.xml.p7m";
  std::filesystem::copy_file(p7m, alone);
  Verify(w, alone);
  EXPECT_EQ(messages.back().icon, Icon::kWarning);
  EXPECT_TRUE(Said().contains("non c'è accanto al file firmato")) << Said();
}

}  // namespace
}  // namespace nerovale::ui
