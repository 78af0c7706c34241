#include "app/terminal_reporter.h"

#include <algorithm>
#include <cstdint>

#include "app/job_texts.h"
#include "util/progress_percent.h"
#include "util/cp1250.h"
#include "util/strings.h"

namespace zararod {
namespace {

// The text in UTF-8 with its line breaks as a terminal expects them: CR LF,
// a lone CR and a lone LF all become "\n" (a dialog's text may break with a
// lone CR, which a terminal would take as "back to the start of this line").
// A break at the very end is dropped; the caller ends the line.
std::string terminalText(const std::string& text) {
  std::string shown;
  const char* separator = "";
  for (const std::string& line : splitLines(text)) {
    shown += separator;
    shown += line;
    separator = "\n";
  }
  return cp1250ToUtf8(shown);
}

}  // namespace

int progressPercent(int position, int max) {
  if (max <= 0) return 0;
  return static_cast<int>(std::clamp<std::int64_t>(ProgressPercent(0, max, position), 0, 100));
}

void TerminalReporter::SetStatusText(Line, const std::string& text) {
  EndProgressLine();
  std::fprintf(out_, "%s\n", terminalText(text).c_str());
  std::fflush(out_);
}

void TerminalReporter::DisableJob(Line) { anyDisabled_ = true; }

void TerminalReporter::SetProgressMax(Line, int max) {
  max_ = max;
  lastDrawn_ = -1;
  drawBar();
}

void TerminalReporter::SetProgressPosition(Line, int position) {
  position_ = position;
  drawBar();
}

void TerminalReporter::SetProgressVisible(Line, bool visible) {
  barVisible_ = visible;
  lastDrawn_ = -1;
  if (visible) {
    drawBar();
  } else {
    EndProgressLine();
  }
}

void TerminalReporter::ProcessPendingEvents() {
  if (barOnScreen_) std::fflush(out_);
}

void TerminalReporter::ShowMessage(const std::string& text, Icon icon) {
  EndProgressLine();
  std::FILE* stream = icon == Icon::Stop ? err_ : out_;
  std::fprintf(stream, "%s\n", terminalText(text).c_str());
  std::fflush(stream);
}

void TerminalReporter::JobRetrying(Line line, int attempt, int attempts) {
  SetStatusText(line, texts::kRetrying + std::to_string(attempt) + texts::kRetryingOf +
                          std::to_string(attempts));
}

void TerminalReporter::drawBar() {
  if (!drawProgress_ || !barVisible_) return;
  const int percent = progressPercent(position_, max_);
  if (percent == lastDrawn_) return;
  lastDrawn_ = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kWidth - filled), ' ');
  std::fprintf(out_, "\r[%s] %3d%%", bar.c_str(), percent);
  barOnScreen_ = true;
}

void TerminalReporter::EndProgressLine() {
  if (!barOnScreen_) return;
  std::fputc('\n', out_);
  barOnScreen_ = false;
  lastDrawn_ = -1;
}

}  // namespace zararod
