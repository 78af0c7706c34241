// One chunk of a job's queue on its way from the sending side, which reads it
// (app/sending_reader.h), to the receiving side, which runs its script
// (app/receiving_runner.h). The protocol: app/record_transfer.h.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/record_keys.h"

namespace zararod {

// What the sending side must know of the receiver to write a chunk's script:
// whether its server has NO_BACKSLASH_ESCAPES, and which key columns its
// record table declares CHAR (app/record_keys.h).
struct ReceiverTarget {
  bool noBackslashEscapes = false;
  std::vector<bool> paddedKeys;
};

struct Chunk {
  // The queue rows the chunk took up.
  int rows = 0;
  // Each key the chunk took up, as the queue holds it, with how many of its
  // queue entries the chunk took up: exactly these are dequeued.
  std::vector<std::pair<RecordKey, int>> taken;
  // The chunk's script statements, each as the script file holds it without
  // its final line break, and their bytes in the file.
  std::vector<std::string> statements;
  std::size_t bytes = 0;
  // The key of each record statement ("cislodokla = 'K9', rada = '01'"), in
  // order: they are the last statements, after any the job begins with.
  std::vector<std::string> owners;
};

}  // namespace zararod
