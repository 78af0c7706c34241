// Writes the setup program's uninstall lines for the files the update check
// leaves beside the program, from the check's own list, so that the two
// never differ:
//
//   zr_update_files_nsh OUT-FILE
//
// OUT-FILE gets one NSIS "Delete" line per file and one for its cut-off
// downloads ("<name>.part-*"), relative to $INSTDIR. Exit 0, or 1 when the
// file cannot be written, 2 on a usage error.
#include <cstdio>
#include <fstream>
#include <string>

#include "update/check_for_update.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: zr_update_files_nsh OUT-FILE\n", stderr);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "; The update check's files (update/check_for_update.h), written by the build.\n";
  for (const std::string& name : zararod::updateCheckFiles(zararod::kUpdateBaseName).all()) {
    out << "Delete \"$INSTDIR\\" << name << "\"\n";
    out << "Delete \"$INSTDIR\\" << name << ".part-*\"\n";
  }
  out.close();
  if (!out) {
    std::fprintf(stderr, "zr_update_files_nsh: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
