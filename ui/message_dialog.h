// TsuiDialog and TsuiMessageDialog: the modal message dialog through which the
// program reports every outcome.
//
// The component holds only its properties; ShowModal builds a fresh dialog
// window (TfrmMsg, ui/msg_form.h) from them, shows it modally on the calling
// thread, destroys it and returns the modal result of the button that closed
// it (2 when the window was closed any other way). The component does not own
// a window between calls. Building the window may throw; nothing has been
// shown then. User-interface thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>
#include <cstdint>

#include "ui/skin.h"

class QWidget;

namespace zararod {

// Where a dialog window is placed.
enum class TPosition { poDesigned, poScreenCenter, poMainFormCenter };

// The picture beside the message; the numbering is that of the picture strip.
enum TsuiIconType : int {
  suiNone = 0,
  suiWarning = 1,
  suiStop = 2,
  suiInformation = 3,
  suiHelp = 4
};

using TModalResult = std::int32_t;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;

// A font with its colour.
struct TsuiFont {
  QFont face;
  QColor color;
};

class TsuiDialog {
 public:
  // `owner` (may be null) is the window whose skinned panel gives the
  // initial UIStyle; DeepBlue without one. The owner is not kept.
  explicit TsuiDialog(const QWidget* owner);
  virtual ~TsuiDialog() = default;
  TsuiDialog(const TsuiDialog&) = delete;
  TsuiDialog& operator=(const TsuiDialog&) = delete;

  virtual TModalResult ShowModal() = 0;

  TPosition Position = TPosition::poScreenCenter;
  QString Caption = QStringLiteral("suiDialog");
  Qt::CursorShape ButtonCursor = Qt::PointingHandCursor;  // crHandPoint
  // Font of the message text and the button captions.
  TsuiFont Font;
  // Font of the title.
  TsuiFont CaptionFont;

  TsuiUIStyle UIStyle() const { return uiStyle_; }
  // Recolours both fonts: the text black, the title black for MacOS and white
  // for any other style.
  void SetUIStyle(TsuiUIStyle style);

 private:
  TsuiUIStyle uiStyle_ = TsuiUIStyle::DeepBlue;
};

class TsuiMessageDialog : public TsuiDialog {
 public:
  explicit TsuiMessageDialog(const QWidget* owner = nullptr);

  // REQUIRES: 1 <= ButtonCount <= 3 when ShowModal is called (a value outside
  // is taken as the nearest bound).
  int ButtonCount = 1;
  QString Button1Caption = QStringLiteral("OK");
  QString Button2Caption = QStringLiteral("Cancel");
  QString Button3Caption = QStringLiteral("Cancel");
  TModalResult Button1ModalResult = mrOk;
  TModalResult Button2ModalResult = mrCancel;
  TModalResult Button3ModalResult = mrCancel;
  TsuiIconType IconType = suiNone;
  // The message; a carriage return in it starts a new line.
  QString Text = QStringLiteral("Hello world!");

  TModalResult ShowModal() override;
};

}  // namespace zararod
