// The probe program (testing/argv_probe.cpp) for tests that start programs:
// where it is, what it reported, and stand-ins made from it.
#pragma once

#include <string>
#include <vector>

#include "testing/host_programs.h"
#include "util/platform.h"

namespace zararod::testing {

// The probe as the test sees it (the build names it as a path of the host).
inline std::string argvProbeProgram() { return pathOfHostFile(ZARAROD_ARGV_PROBE); }

// What a probe wrote into `out`: the file it was started from, and its
// arguments. Empty when it wrote nothing (yet).
struct ProbeReport {
  std::string program;
  std::vector<std::string> arguments;
};

inline ProbeReport probeReport(const std::string& out) {
  std::string text;
  if (FilePtr file = openFile(out, "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
      text.append(buffer, n);
  }
  ProbeReport report;
  bool first = true;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
    if (first)
      report.program = text.substr(0, end);
    else
      report.arguments.push_back(text.substr(start, end - start));
    first = false;
  }
  return report;
}

// The bytes of a program that, started without arguments, writes "started\n"
// to the file `mark` (a copy of the probe with a trailer naming the file).
// Written to a file, it still needs the right to be executed on Linux.
inline std::string markingProgram(const std::string& mark) {
  std::string bytes;
  if (FilePtr self = openFile(argvProbeProgram(), "rb")) {
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, self.get())) > 0;)
      bytes.append(buffer, n);
  }
  return bytes + "ZR-MARK:" + mark + "\n";
}

}  // namespace zararod::testing
