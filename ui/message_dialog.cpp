#include "ui/message_dialog.h"

#include <memory>

#include "ui/fonts.h"
#include "ui/msg_form.h"
#include "ui/skin_form.h"

namespace zararod {
namespace {

constexpr int kDefaultFontPixels = 11;

}  // namespace

TsuiDialog::TsuiDialog(const QWidget* owner)
    : Font{TahomaFont(kDefaultFontPixels), QColor(Qt::black)},
      CaptionFont{TahomaFont(kDefaultFontPixels, true), QColor(Qt::white)} {
  SetUIStyle(OwnerStyle(owner).value_or(TsuiUIStyle::DeepBlue));
}

void TsuiDialog::SetUIStyle(TsuiUIStyle style) {
  uiStyle_ = style;
  Font.color = QColor(Qt::black);
  CaptionFont.color = style == TsuiUIStyle::MacOS ? QColor(Qt::black) : QColor(Qt::white);
}

TsuiMessageDialog::TsuiMessageDialog(const QWidget* owner) : TsuiDialog(owner) {}

TModalResult TsuiMessageDialog::ShowModal() {
  auto window = std::make_unique<TfrmMsg>(*this);
  return window->exec();
}

}  // namespace zararod
