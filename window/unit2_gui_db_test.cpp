// The main window as it first appears, against the two sandbox servers: the
// status check of FormShow with the window's own labels and buttons.
#include <QApplication>
#include <QEvent>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/jobs.h"
#include "app/jobs_test_support.h"
#include "db/query.h"
#include "testing/loopback_listeners.h"
#include "testing/modal.h"
#include "testing/sandbox.h"
#include "ui/msg_form.h"
#include "ui/progress_bar.h"
#include "ui/skin_form.h"
#include "ui/sui_button.h"
#include "util/platform.h"
#include "window/unit2.h"

namespace zararod {
namespace {

using testing::Account;
using testing::AdminSession;
using testing::loadSampleData;
using testing::Server;
using testing::ServerAddress;
using testing::serverAddress;
using testing::settingsText;

// What the window shows when it is first painted.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(TForm1& form) : form_(form) {}
  bool seen = false;
  QString labels[3];
  bool barVisible = false;

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen) {
      seen = true;
      labels[0] = form_.Label1->text();
      labels[1] = form_.Label2->text();
      labels[2] = form_.Label3->text();
      barVisible = form_.suiProgressBar1->isVisible() || form_.suiProgressBar2->isVisible() ||
                   form_.suiProgressBar3->isVisible();
    }
    return false;
  }

 private:
  TForm1& form_;
};

struct Scenario {
  const char* name;
  std::function<void()> prepare;  // server set-up
  // vedid.ini: central and site address and series; null for no file.
  std::function<std::string()> settings;
  const char* labels[3];  // UTF-8
  bool enabled[5];        // suiButton1..5
};

class MainWindowStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    loadSampleData(Server::Site);
    loadSampleData(Server::Central);
    iniPath_ = ExePath() + "vedid.ini";
  }
  void TearDown() override { std::filesystem::remove(iniPath_); }

  std::string iniPath_;
};

TEST_F(MainWindowStatus, FirstShowingShowsTheQueuesOrTheUnreachableServer) {
  const ServerAddress site = serverAddress(Server::Site, Account::Site);
  const ServerAddress central = serverAddress(Server::Central, Account::Site);
  ServerAddress nowhere = central;
  nowhere.port = 1;  // nothing listens there
  const std::string host = site.host;
  const std::string noServer = "nelze se připojit k serveru ";

  const auto queuesOf3And0And12 = [] {
    AdminSession session(Server::Site, "vorazu1");
    session.exec("delete from vaznil_00; delete from laborl_00");
    for (int i = 1; i <= 12; ++i) {
      session.exec("insert into laborl_00 values ('K" + std::to_string(i) + "', '01')");
    }
  };
  const std::string l1 = noServer + central.host;
  const std::string l2 = noServer + host;
  const testing::SilentServer silent;  // accepts and never answers
  ServerAddress silentCentral = central;
  silentCentral.host = silent.host();
  silentCentral.port = silent.port();
  const std::string silentLine = noServer + silent.host();
  const Scenario scenarios[] = {
      {"both servers up",
       queuesOf3And0And12,
       [&] { return settingsText(central, "10", site); },
       {"počet nových adres: 3", "počet nových VL: 0", "počet nových LL: 12"},
       {true, true, true, true, true}},
      {"central server unreachable",
       [] {},
       [&] { return settingsText(nowhere, "10", site); },
       {l1.c_str(), "počet nových VL: 4", "počet nových LL: 3"},
       {false, true, true, true, true}},
      {"central server never answers: the check ends at the connect limit",
       [] {},
       [&] { return settingsText(silentCentral, "10", site, "ConnectTimeout=1\r\n"); },
       {silentLine.c_str(), "počet nových VL: 4", "počet nových LL: 3"},
       {false, true, true, true, true}},
      {"central server over verified TLS",
       [] {},
       [&] {
         return settingsText(central, "10", site,
                             "SSL=1\r\nSSLCA=" + testing::centralCaFile() + "\r\n");
       },
       {"počet nových adres: 3", "počet nových VL: 4", "počet nových LL: 3"},
       {true, true, true, true, true}},
      {"laborl_00 missing",
       [] { AdminSession(Server::Site, "vorazu1").exec("drop table laborl_00"); },
       [&] { return settingsText(central, "10", site); },
       {"počet nových adres: 3", "počet nových VL: 4", l2.c_str()},
       {true, true, true, false, true}},
      {"series without a queue table",
       [] {},
       [&] { return settingsText(central, "99", site); },
       {l1.c_str(), "počet nových VL: 4", "počet nových LL: 3"},
       {false, true, true, true, true}},
      {"settings file missing",
       [] {},
       nullptr,
       {"nelze se připojit k serveru localhost", "nelze se připojit k serveru localhost",
        "nelze se připojit k serveru localhost"},
       {false, true, false, false, true}},
  };

  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    loadSampleData(Server::Site);
    s.prepare();
    std::filesystem::remove(iniPath_);
    if (s.settings) std::ofstream(iniPath_, std::ios::binary) << s.settings();

    TForm1 form;
    FirstPaint firstPaint(form);
    form.suiForm1->installEventFilter(&firstPaint);
    form.show();
    QCoreApplication::processEvents();

    QLabel* labels[] = {form.Label1, form.Label2, form.Label3};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(labels[i]->text().toStdString(), s.labels[i]);
      EXPECT_EQ(labels[i]->width(), labels[i]->fontMetrics().horizontalAdvance(labels[i]->text()));
    }
    TsuiButton* buttons[] = {form.suiButton1, form.suiButton2, form.suiButton3, form.suiButton4,
                             form.suiButton5};
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(buttons[i]->isEnabled(), s.enabled[i]) << "suiButton" << i + 1;
    for (TsuiProgressBar* bar :
         {form.suiProgressBar1, form.suiProgressBar2, form.suiProgressBar3}) {
      EXPECT_FALSE(bar->isVisible());
    }
    ASSERT_TRUE(firstPaint.seen);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(firstPaint.labels[i].toStdString(), s.labels[i]);
    EXPECT_FALSE(firstPaint.barVisible);
  }
}

// The server's id of the session a query's connection holds.
std::string sessionOf(TZQuery& query) {
  query.Close();
  query.SQL().SetText("select connection_id()");
  query.Open();
  return query.Fields(0).AsString();
}

bool sessionAlive(Server server, const std::string& id) {
  return AdminSession(server).scalar(
             "select count(*) from information_schema.processlist "
             "where id = " +
             id) == "1";
}

// The server ends a session a moment after the client has quit it.
bool sessionEnds(Server server, const std::string& id) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!sessionAlive(server, id)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST_F(MainWindowStatus, ClosingWithKonecDisconnectsBothServers) {
  std::ofstream(iniPath_, std::ios::binary)
      << settingsText(serverAddress(Server::Central, Account::Site), "10",
                      serverAddress(Server::Site, Account::Site));
  std::string site, central;
  {
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form.jobs().ZConnection1.Connected());
    ASSERT_TRUE(form.jobs().ZConnection2.Connected());
    site = sessionOf(form.jobs().ZQuery1);
    central = sessionOf(form.jobs().ZQuery21);
    EXPECT_TRUE(sessionAlive(Server::Site, site));
    EXPECT_TRUE(sessionAlive(Server::Central, central));
    form.suiButton2->click();
    EXPECT_FALSE(form.isVisible());
  }
  EXPECT_TRUE(sessionEnds(Server::Site, site));
  EXPECT_TRUE(sessionEnds(Server::Central, central));
}

// "konec" pressed while the first status check still runs: the check ends,
// its lines are shown, and then the window closes, from inside the handler
// of the check.
TEST_F(MainWindowStatus, KonecDuringTheFirstStatusCheckClosesTheWindowAfterIt) {
  std::ofstream(iniPath_, std::ios::binary)
      << settingsText(serverAddress(Server::Central, Account::Site), "10",
                      serverAddress(Server::Site, Account::Site));
  TForm1 form;
  // Delivered by the event pass at the end of the check.
  bool duringTheCheck = false;
  QMetaObject::invokeMethod(
      &form,
      [&] {
        duringTheCheck = form.HandlerRunning();
        form.suiButton2->click();
      },
      Qt::QueuedConnection);
  form.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(duringTheCheck);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.HandlerRunning());
  EXPECT_EQ(form.Label1->text().toStdString(), "počet nových adres: 3");
  EXPECT_EQ(form.Label3->text().toStdString(), "počet nových LL: 3");
}

// The update server cannot be reached, so no version file arrives.
TEST_F(MainWindowStatus, KontrolaReportsAMissingVersionFileInTheDialog) {
  std::ofstream(iniPath_, std::ios::binary)
      << settingsText(serverAddress(Server::Central, Account::Site), "10",
                      serverAddress(Server::Site, Account::Site))
      << "[Update]\r\nURL=http://127.0.0.1:1/knihovna/\r\n";
  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  QString text;
  testing::OnNextModal<TfrmMsg>([&](TfrmMsg* window) {
    text = window->findChild<WrappedLabel*>()->Text();
    window->Buttons().front()->click();
  });
  form.suiButton5->click();
  EXPECT_EQ(text, QString::fromUtf8("Chyba. Není soubor."));
  EXPECT_EQ(form.dotaz.IconType, suiStop);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.HandlerRunning());
}

}  // namespace
}  // namespace zararod
