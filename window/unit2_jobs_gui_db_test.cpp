// The three job buttons of the main window pressed as a person presses them,
// against the two sandbox servers with the sample data: what the window shows
// during and after each job, and that the records really moved.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/jobs_test_support.h"
#include "testing/case_name.h"
#include "testing/modal.h"
#include "ui/msg_form.h"
#include "ui/progress_bar.h"
#include "ui/sui_button.h"
#include "util/platform.h"
#include "window/unit2.h"

namespace zararod::testing {
namespace {

enum class Press { Mouse, Space };

struct JobCase {
  const char* id;
  TsuiButton* TForm1::*button;
  QLabel* TForm1::*label;
  TsuiProgressBar* TForm1::*bar;
  Press press;
  const char* status;   // UTF-8
  const char* message;  // UTF-8
  int queued;
  const char* file;
  Server sender;
  const char* queue;
  // Rows of the queued records, selected alike on both servers (a null
  // arrives as empty text).
  const char* records;
};

const JobCase kJobCases[] = {
    {"ImportAddresses", &TForm1::suiButton1, &TForm1::Label1, &TForm1::suiProgressBar1,
     Press::Mouse, "počet nových adres: 3", "Nahráno 3 nových adres", 3, "aad.txt",
     Server::Central, "dovodi.adresar_10",
     "select kodpar, NAZEVPODNI, ADR1, LIC_VNITRO from dovodi.adresar"
     " where kodpar in ('100234', 'A00017', '999999') order by kodpar"},
    {"SendWeighingSlips", &TForm1::suiButton3, &TForm1::Label2, &TForm1::suiProgressBar2,
     Press::Mouse, "počet nových važ.listů: 4", "Odesláno 4 nových VL", 4, "avl.txt", Server::Site,
     "vorazu1.vaznil_00",
     "select cislodokla, rada, netto, ridic, poznamka from vorazu1.vaznil where (cislodokla, rada)"
     " in (('2026/0001', '01'), ('2026/0002', '01'), ('O''B-17', '02'), ('2026/0404', '01'))"
     " order by cislodokla"},
    {"SendLabSlips", &TForm1::suiButton4, &TForm1::Label3, &TForm1::suiProgressBar3, Press::Space,
     "počet nových lab.listů: 3", "Odesláno 3 nových LL", 3, "all.txt", Server::Site,
     "vorazu1.laborl_00",
     "select cislodokla, rada, coalesce(laborant, ''), coalesce(poznamka, '') from vorazu1.laborl"
     " where cislodokla like 'L2026/%' order by cislodokla"},
};

Server receiverOf(Server sender) {
  return sender == Server::Site ? Server::Central : Server::Site;
}

std::vector<Row> rowsOn(Server server, const std::string& sql) {
  return AdminSession(server, "", "cp1250").rows(sql);
}

std::string countOf(Server server, const std::string& table) {
  return AdminSession(server).scalar("select count(*) from " + table).value_or("");
}

// What the message dialog showed, and the window behind it meanwhile.
struct DialogSeen {
  bool shown = false;
  QString text;
  std::vector<QString> buttons;
  QString status;
  bool barVisible = false;
  int barMax = -1;
  int barPosition = -1;
  QString barCaption;
};

// Both sample databases, a scratch working directory that receives the
// script files, and a vedid.ini beside the executable, where the window
// reads it.
class MainWindowJobs : public JobsDbTest {
 public:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    JobsDbTest::SetUp();
    exeIni_ = ExePath() + "vedid.ini";
    std::ofstream(exeIni_, std::ios::binary)
        << settingsText(serverAddress(Server::Central, Account::Site), "10",
                        serverAddress(Server::Site, Account::Site));
  }
  void TearDown() override {
    std::filesystem::remove(exeIni_);
    JobsDbTest::TearDown();
  }

  // Presses the job's button and answers the message dialog with Enter,
  // noting what the dialog and the window showed.
  static DialogSeen runJob(TForm1& form, const JobCase& c) {
    DialogSeen seen;
    OnNextModal<TfrmMsg>([&](TfrmMsg* window) {
      seen.shown = true;
      seen.text = window->findChild<WrappedLabel*>()->Text();
      for (TsuiButton* button : window->Buttons()) seen.buttons.push_back(button->text());
      seen.status = (form.*c.label)->text();
      TsuiProgressBar* bar = form.*c.bar;
      seen.barVisible = bar->isVisible();
      seen.barMax = bar->Max();
      seen.barPosition = bar->Position();
      seen.barCaption = bar->Caption();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    press(form, c);
    return seen;
  }

  static void press(TForm1& form, const JobCase& c) {
    TsuiButton* button = form.*c.button;
    if (c.press == Press::Mouse) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
    QApplication::setActiveWindow(&form);
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Space);
  }

  static void expectIdle(TForm1& form) {
    EXPECT_FALSE(form.HandlerRunning());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (TsuiButton* button : {form.suiButton1, form.suiButton2, form.suiButton3,
                               form.suiButton4, form.suiButton5}) {
      EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(form.isVisible());
  }

  std::string exeIni_;
};

class MainWindowJobButton : public MainWindowJobs,
                            public ::testing::WithParamInterface<JobCase> {};

TEST_P(MainWindowJobButton, MovesItsQueueAndReportsIt) {
  const JobCase& c = GetParam();
  const Server receiver = receiverOf(c.sender);
  const std::vector<Row> sent = rowsOn(c.sender, c.records);
  ASSERT_NE(rowsOn(receiver, c.records), sent);

  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  const DialogSeen seen = runJob(form, c);

  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.text, QString::fromUtf8(c.message));
  EXPECT_EQ(seen.buttons, std::vector<QString>{QStringLiteral("OK")});
  EXPECT_EQ(form.dotaz.IconType, suiInformation);
  EXPECT_EQ(seen.status, QString::fromUtf8(c.status));
  EXPECT_TRUE(seen.barVisible);
  EXPECT_EQ(seen.barMax, c.queued);
  EXPECT_EQ(seen.barPosition, c.queued);
  EXPECT_EQ(seen.barCaption, QStringLiteral("100%"));

  // After the dialog: the count of the run stays, the bar stays at its end.
  expectIdle(form);
  EXPECT_EQ((form.*c.label)->text(), QString::fromUtf8(c.status));
  EXPECT_TRUE((form.*c.bar)->isVisible());
  EXPECT_EQ((form.*c.bar)->Position(), c.queued);
  EXPECT_TRUE(std::filesystem::exists(workDir_ + "/" + c.file));

  EXPECT_EQ(countOf(c.sender, c.queue), "0");
  EXPECT_EQ(rowsOn(receiver, c.records), sent);
}

INSTANTIATE_TEST_SUITE_P(Jobs, MainWindowJobButton, ::testing::ValuesIn(kJobCases), CaseName());

// "konec" pressed while a job sends its records: the job runs to its end and
// reports, and the window closes once the report is answered.
TEST_F(MainWindowJobs, KonecPressedDuringAJobClosesTheWindowAfterItsReport) {
  const JobCase& c = kJobCases[1];
  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  // Fires at the job's first pass through the event loop.
  bool pressedDuringJob = false;
  QTimer::singleShot(0, &form, [&] {
    pressedDuringJob = form.HandlerRunning();
    QTest::mouseClick(form.suiButton2, Qt::LeftButton);
  });
  bool visibleUnderReport = false;
  OnNextModal<TfrmMsg>([&](TfrmMsg*) {
    visibleUnderReport = form.isVisible();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  press(form, c);

  EXPECT_TRUE(pressedDuringJob);
  EXPECT_TRUE(visibleUnderReport);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(countOf(c.sender, c.queue), "0");
}

// The central server lacks vaznil, so the script fails there: the error box
// shows the server's message, nothing has moved, and once the table is back
// a second press delivers.
TEST_F(MainWindowJobs, AFailedJobShowsTheErrorBoxAndASecondPressDelivers) {
  const JobCase& c = kJobCases[1];
  AdminSession(Server::Central).exec("rename table vorazu1.vaznil to vorazu1.vaznil_away");
  const auto servers = [] {
    return std::vector<std::vector<Row>>{
        snapshot(Server::Site, "vorazu1.vaznil", "id"),
        snapshot(Server::Site, "vorazu1.vaznil_00", "cislodokla, rada"),
        snapshot(Server::Central, "vorazu1.vaznil_away", "id")};
  };
  const auto before = servers();

  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  QMessageBox* box = nullptr;
  QString error;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  OnNextModal<QDialog>([&](QDialog* window) {
    box = qobject_cast<QMessageBox*>(window);
    if (box != nullptr) {
      error = box->text();
      icon = box->icon();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  press(form, c);

  ASSERT_NE(box, nullptr) << "the report dialog came instead of the error box";
  EXPECT_EQ(error, QStringLiteral("SQL Error: Table 'vorazu1.vaznil' doesn't exist."));
  EXPECT_EQ(icon, QMessageBox::Critical);
  expectIdle(form);
  EXPECT_EQ(servers(), before);

  AdminSession(Server::Central).exec("rename table vorazu1.vaznil_away to vorazu1.vaznil");
  const DialogSeen seen = runJob(form, c);
  EXPECT_EQ(seen.text, QString::fromUtf8(c.message));
  expectIdle(form);
  EXPECT_EQ(countOf(Server::Site, c.queue), "0");
  EXPECT_EQ(rowsOn(Server::Central, c.records), rowsOn(Server::Site, c.records));
}

}  // namespace
}  // namespace zararod::testing
