// TForm1 (module Unit2): the main window.
//
// A frameless top-level window whose whole client area is the skinned panel
// suiForm1 (title bar with the application icon, caption "Převod adresáře ",
// control-box and close buttons). On it lie the three status lines Label1..3,
// the version label Label4, the progress bars suiProgressBar1..3 and the
// buttons suiButton1..5, each at the position, size, caption, font and tab
// order of the window's design. The window is the application's task-bar
// entry.
//
// Ownership: the controls belong to the window through Qt parenthood (the
// public pointers below do not own); the window owns the message dialog
// `dotaz` and one Jobs (the two connections, the five queries, the two script
// processors and the series number) for its whole life. Destroying the window
// disconnects both connections.
//
// Every handler runs inside one guard: an error that escapes it is shown in
// the error box and the window stays usable. While a handler runs (including
// the event passes it lets through), presses of the job buttons are ignored,
// so one job never starts inside another; "konec" and other requests to close
// the window are remembered and close it once the handler has ended, after
// its message dialog or error box.
//
// TForm1 reports the jobs' progress to the person at the screen through its
// widgets (JobReporter). User-interface thread only.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/job_reporter.h"
#include "ui/message_dialog.h"

namespace zararod {

class Jobs;
class TsuiButton;
class TsuiForm;
class TsuiProgressBar;

class TForm1 : public QWidget, public JobReporter {
  Q_OBJECT

 public:
  // Creates the controls with their design values and runs FormCreate, then
  // centres the window on the screen. The settings are read when the window
  // is first shown (FormShow), from ExePath() + "vedid.ini".
  TForm1();
  ~TForm1() override;

  // Handlers. Each may throw; the window calls them inside its guard.
  void FormCreate();
  void FormShow();
  void suiButton1Click();  // "nahrát Adresář"
  void suiButton2Click();  // "konec"
  void suiButton3Click();  // "odeslat VL"
  void suiButton4Click();  // "odeslat LL"
  void suiButton5Click();  // "kontrola"

  // Runs `handler` inside the guard, unless another handler is running (then
  // it does nothing): every button and FormShow go through here. Closes the
  // window afterwards if a close was asked for while the handler ran.
  void RunHandler(const std::function<void()>& handler);
  // True while a handler runs.
  bool HandlerRunning() const { return handlerRunning_; }
  Jobs& jobs() { return *jobs_; }

  // JobReporter: texts are cp1250 bytes.
  void SetStatusText(Line line, const std::string& text) override;
  void DisableJob(Line line) override;
  void SetProgressMax(Line line, int max) override;
  void SetProgressPosition(Line line, int position) override;
  void SetProgressVisible(Line line, bool visible) override;
  void ProcessPendingEvents() override;
  void ShowMessage(const std::string& text, Icon icon) override;
  void SetBusyCursor(bool busy) override;

  TsuiForm* suiForm1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  TsuiProgressBar* suiProgressBar1;
  TsuiProgressBar* suiProgressBar2;
  TsuiProgressBar* suiProgressBar3;
  TsuiButton* suiButton1;
  TsuiButton* suiButton2;
  TsuiButton* suiButton3;
  TsuiButton* suiButton4;
  TsuiButton* suiButton5;
  TsuiMessageDialog dotaz;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The status line, progress bar and button of one job (see JobReporter::Line).
  struct LineControls {
    QLabel* label;
    TsuiProgressBar* bar;
    TsuiButton* button;
  };
  LineControls controls(Line line) const;

  std::unique_ptr<Jobs> jobs_;
  bool formShown_ = false;
  bool handlerRunning_ = false;
  // Set while a handler itself closes the window (konec, kontrola).
  bool handlerCloses_ = false;
  // A close was asked for while a handler ran.
  bool closePending_ = false;
  bool busyCursor_ = false;
};

}  // namespace zararod
