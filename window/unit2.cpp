#include "window/unit2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <utility>

#include "app/jobs.h"
#include "app/update_handler.h"
#include "settings/connection_settings.h"
#include "ui/error_box.h"
#include "ui/fonts.h"
#include "ui/progress_bar.h"
#include "ui/skin.h"
#include "ui/skin_form.h"
#include "ui/sui_button.h"
#include "ui/text.h"

namespace zararod {
namespace {

constexpr int kLabelPixels = 13;
constexpr int kButtonPixels = 11;
constexpr int kWindowFontPixels = 11;
constexpr int kBarBorderColor = 8355711;  // RGB 127,127,127
constexpr int kBarColor = 15198183;       // RGB 231,231,231

// A label sizes itself to its text.
void autoSize(QLabel* label) {
  label->resize(label->fontMetrics().horizontalAdvance(label->text()), LineHeight(label->font()));
}

QLabel* makeLabel(QWidget* panel, const char* name, const QString& caption, int left, int top) {
  auto* label = new QLabel(caption, panel);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(TahomaFont(kLabelPixels));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->move(left, top);
  autoSize(label);
  return label;
}

TsuiButton* makeButton(QWidget* panel, const char* name, const QString& caption, QRect geometry) {
  auto* button = new TsuiButton(caption, panel);
  button->setObjectName(QString::fromLatin1(name));
  button->setFont(TahomaFont(kButtonPixels));
  button->SetFontColor(Qt::black);
  button->setGeometry(geometry);
  return button;
}

TsuiProgressBar* makeBar(QWidget* panel, const char* name, int top) {
  auto* bar = new TsuiProgressBar(panel);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setGeometry(30, top, 516, 17);
  bar->SetShowCaption(true);
  bar->SetSmartShowCaption(false);
  bar->SetCaptionColor(Qt::black);
  bar->SetMin(0);
  bar->SetMax(100);
  bar->SetPosition(11);
  bar->SetBorderColor(FromTColor(kBarBorderColor));
  bar->SetColor(FromTColor(kBarColor));
  bar->SetPicture(DefaultProgressFill());
  return bar;
}

}  // namespace

TForm1::TForm1()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), jobs_(std::make_unique<Jobs>()) {
  setObjectName(QStringLiteral("Form1"));
  setFont(TahomaFont(kWindowFontPixels));
  setMinimumSize(130, 23);
  resize(586, 287);  // the design client size, before FormCreate
  setWindowIcon(QIcon(ApplicationIcon(32)));

  suiForm1 = new TsuiForm(this);
  suiForm1->SetUIStyle(TsuiUIStyle::MacOS);
  suiForm1->SetCaptionFont(TahomaFont(kWindowFontPixels, true), Qt::black);
  suiForm1->SetCaption(QString::fromUtf8("Převod adresáře "));

  const QString label1 = QStringLiteral("Label1");
  Label1 = makeLabel(suiForm1, "Label1", label1, 30, 43);
  Label2 = makeLabel(suiForm1, "Label2", label1, 30, 107);
  Label3 = makeLabel(suiForm1, "Label3", label1, 30, 171);
  Label4 = makeLabel(suiForm1, "Label4", QStringLiteral("verze 7/26"), 30, 254);

  suiButton1 =
      makeButton(suiForm1, "suiButton1", QString::fromUtf8("nahrát Adresář"), {426, 43, 120, 27});
  suiProgressBar1 = makeBar(suiForm1, "suiProgressBar1", 76);
  suiButton3 =
      makeButton(suiForm1, "suiButton3", QStringLiteral("odeslat VL"), {426, 107, 120, 27});
  suiProgressBar2 = makeBar(suiForm1, "suiProgressBar2", 140);
  suiButton4 =
      makeButton(suiForm1, "suiButton4", QStringLiteral("odeslat LL"), {426, 171, 120, 27});
  suiProgressBar3 = makeBar(suiForm1, "suiProgressBar3", 204);
  suiButton2 = makeButton(suiForm1, "suiButton2", QStringLiteral("konec"), {476, 243, 70, 27});
  suiButton5 = makeButton(suiForm1, "suiButton5", QStringLiteral("kontrola"), {108, 250, 70, 22});

  setTabOrder(suiButton1, suiButton2);
  setTabOrder(suiButton2, suiButton3);
  setTabOrder(suiButton3, suiButton4);
  setTabOrder(suiButton4, suiButton5);

  using Click = void (TForm1::*)();
  const std::pair<TsuiButton*, Click> clicks[] = {{suiButton1, &TForm1::suiButton1Click},
                                                  {suiButton3, &TForm1::suiButton3Click},
                                                  {suiButton4, &TForm1::suiButton4Click},
                                                  {suiButton5, &TForm1::suiButton5Click}};
  for (const auto& [button, click] : clicks) {
    connect(button, &QPushButton::clicked, this,
            [this, click] { RunHandler([this, click] { (this->*click)(); }); });
  }
  // "konec" during a job closes the window once the job has ended.
  connect(suiButton2, &QPushButton::clicked, this, [this] {
    if (handlerRunning_) {
      closePending_ = true;
    } else {
      RunHandler([this] { suiButton2Click(); });
    }
  });

  dotaz.Position = TPosition::poScreenCenter;
  dotaz.Caption = QString::fromUtf8("Převod adresáře");
  dotaz.SetUIStyle(TsuiUIStyle::MacOS);
  dotaz.Font = {TahomaFont(11), QColor(Qt::black)};
  dotaz.CaptionFont = {TahomaFont(11, true), QColor(Qt::black)};
  dotaz.ButtonCursor = Qt::PointingHandCursor;

  RunHandler([this] { FormCreate(); });

  // Centred on the screen when first shown.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    MoveCentred(*this, screen->geometry());
  }
}

TForm1::~TForm1() {
  if (busyCursor_) QApplication::restoreOverrideCursor();
}

void TForm1::FormCreate() {
  resize(width(), 300);
  resize(600, height());
}

void TForm1::FormShow() {
  jobs_->ApplySettings(settingsFileName());
  suiProgressBar1->hide();
  suiProgressBar2->hide();
  suiProgressBar3->hide();
  jobs_->CheckStatus(*this);
  ProcessPendingEvents();
}

void TForm1::suiButton1Click() { jobs_->ImportAddresses(*this); }

void TForm1::suiButton2Click() {
  handlerCloses_ = true;
  close();
  handlerCloses_ = false;
}

void TForm1::suiButton3Click() { jobs_->SendSlips(SlipKind::Weighing, *this); }

void TForm1::suiButton4Click() { jobs_->SendSlips(SlipKind::Laboratory, *this); }

void TForm1::suiButton5Click() {
  if (!RunUpdateCheck(*this).endProgram) return;
  // The setup program runs now and replaces this one: close the window and
  // end the program.
  handlerCloses_ = true;
  close();
  QCoreApplication::quit();
  ProcessPendingEvents();
  close();
}

void TForm1::RunHandler(const std::function<void()>& handler) {
  if (handlerRunning_) return;
  handlerRunning_ = true;
  RunGuarded(handler);
  handlerRunning_ = false;
  // A job that failed half-way must not leave the hourglass behind.
  SetBusyCursor(false);
  // The handler's dialog or error box has been answered: now close the
  // window as asked while it ran.
  if (std::exchange(closePending_, false)) close();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Runs before the window is first painted, so it appears with its final
  // status texts and without progress bars.
  if (formShown_) return;
  formShown_ = true;
  RunHandler([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (handlerRunning_ && !handlerCloses_) {
    closePending_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

TForm1::LineControls TForm1::controls(Line line) const {
  switch (line) {
    case Line::WeighingSlips:
      return {Label2, suiProgressBar2, suiButton3};
    case Line::LabSlips:
      return {Label3, suiProgressBar3, suiButton4};
    case Line::Addresses:
      break;
  }
  return {Label1, suiProgressBar1, suiButton1};
}

void TForm1::SetStatusText(Line line, const std::string& text) {
  QLabel* label = controls(line).label;
  label->setText(FromCp1250(text));
  autoSize(label);
}

void TForm1::DisableJob(Line line) { controls(line).button->setEnabled(false); }

void TForm1::SetProgressMax(Line line, int max) { controls(line).bar->SetMax(max); }

void TForm1::SetProgressPosition(Line line, int position) {
  controls(line).bar->SetPosition(position);
}

void TForm1::SetProgressVisible(Line line, bool visible) {
  controls(line).bar->setVisible(visible);
}

void TForm1::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void TForm1::ShowMessage(const std::string& text, Icon icon) {
  dotaz.Text = FromCp1250(text);
  dotaz.ButtonCount = 1;
  dotaz.Button1Caption = QStringLiteral("OK");
  dotaz.IconType = static_cast<TsuiIconType>(icon);
  dotaz.ShowModal();
}

void TForm1::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace zararod
