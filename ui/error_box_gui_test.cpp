#include "ui/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <functional>
#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "testing/modal.h"
#include "util/exception.h"

namespace zararod {
namespace {

using zararod::testing::OnNextModal;

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersSortingAfterIt) {
  const struct {
    std::string message, shown;
  } cases[] = {
      {"SQL Error: Unknown database 'x'", "SQL Error: Unknown database 'x'"},  // 0x27
      {"Lost connection to server", "Lost connection to server."},
      {"Chyba.", "Chyba."},
      {"Chyba!", "Chyba!"},
      {"trailing blank ", "trailing blank "},
      {"comma,", "comma,"},
      {"", ""},
      {"error 1045", "error 1045."},
      {"slash/", "slash/."},                    // 0x2F sorts after "."
      {"minus-", "minus-"},                     // 0x2D
      {"p\xF8ipojen\xED", "p\xF8ipojen\xED."},  // cp1250 letter above 0x7F
      {std::string("nul\0", 4), std::string("nul\0", 4)},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(ErrorBox, ApplicationTitleIsTheFileNameUpToTheFirstDot) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"/usr/local/bin/zararod", "zararod"},
      {"/opt/ZARAROD.EXE", "Zararod"},
      {"/x/Zararod.setup.exe", "Zararod"},
      {"C", "C"},
      {"/a.b/MyTool", "Mytool"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplicationTitle(QString::fromUtf8(c.path)), QString::fromUtf8(c.title)) << c.path;
  }
}

struct Shown {
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  QWidget* owner = nullptr;
};

TEST(ErrorBox, GuardShowsTheEscapedErrorAndGoesOn) {
  QCoreApplication::setApplicationName(QStringLiteral("Zararod"));
  QWidget window;
  window.show();
  QApplication::setActiveWindow(&window);

  const struct {
    std::function<void()> handler;
    QString text;
  } cases[] = {
      {[] { throw Exception("SQL Error: Table 'dovodi.adresar_99' doesn't exist"); },
       QStringLiteral("SQL Error: Table 'dovodi.adresar_99' doesn't exist.")},
      {[] { throw Exception("Chyba p\xF8ipojen\xED."); }, QString::fromUtf8("Chyba připojení.")},
      {[] { throw std::runtime_error("Cannot open file \"aad.txt\""); },
       QStringLiteral("Cannot open file \"aad.txt\"")},
      {[] { throw 42; }, QStringLiteral("Unknown error.")},
  };
  for (const auto& c : cases) {
    auto shown = std::make_shared<Shown>();
    OnNextModal<QMessageBox>([shown](QMessageBox* box) {
      *shown = {box->text(), box->windowTitle(), box->icon(),
                static_cast<int>(box->buttons().size()), box->parentWidget()};
      box->button(QMessageBox::Ok)->click();
    });
    QApplication::setActiveWindow(&window);
    bool after = false;
    RunGuarded([&] {
      c.handler();
      after = true;
    });
    EXPECT_FALSE(after) << "the rest of the handler is skipped";
    EXPECT_EQ(shown->text, c.text);
    EXPECT_EQ(shown->title, QStringLiteral("Zararod"));
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->buttons, 1);
    EXPECT_EQ(shown->owner, &window);
  }
  // A handler that does not fail shows nothing.
  bool ran = false;
  RunGuarded([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace zararod
