// The error box: how an error that escapes a handler is shown, and the guard
// that every handler of the window runs in, so that no exception ever crosses
// Qt code. After the box is closed the window goes on and stays usable;
// whatever the handler did before the error stays done.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "util/error_text.h"

namespace zararod {

// The application title: the executable's file name without directory and
// without everything from the first "." on, every character after the first
// in lower case, the first left as it is ("/opt/x/ZARAROD.exe" gives
// "Zararod", "zararod" stays "zararod").
QString ApplicationTitle(const QString& executablePath);

// Shows the modal message box: ErrorBoxText(message) converted from cp1250,
// the application's name (QCoreApplication::applicationName, which the
// program sets to ApplicationTitle) as caption, the stop icon and one OK
// button, owned by the active window. Never throws.
void ShowErrorBox(const std::string& message);

// Runs `handler`; an exception that escapes it is shown in the error box
// (zararod::Exception and std::exception with their message bytes, anything
// else with a fixed text). Never throws.
void RunGuarded(const std::function<void()>& handler) noexcept;

}  // namespace zararod
