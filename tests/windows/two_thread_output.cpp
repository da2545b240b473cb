// Two threads writing to one standard output at once: `two_thread_output <texts> <cells>` has
// each thread write <texts> texts of <cells> cells of 8 bytes through write_standard_stream. A cell
// holds its thread's letter (A or B), six hex digits numbering it among that thread's cells, and a
// line feed, so that whoever reads the output can tell whether each text arrived whole
// (check_two_thread_output.py). All texts are made before the threads start, which then begin
// together, so that their writes overlap for as long as the output lasts.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "standard_output.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: two_thread_output <texts per thread> <cells per text>\n");
    return 2;
  }
  const size_t texts = std::strtoul(argv[1], nullptr, 10);
  const size_t cells = std::strtoul(argv[2], nullptr, 10);
  prepare_standard_output();

  std::vector<std::string> written[2];
  for (int thread = 0; thread < 2; ++thread) {
    for (size_t text = 0; text < texts; ++text) {
      std::string bytes;
      char cell[9];
      for (size_t i = 0; i < cells; ++i) {
        std::snprintf(cell, sizeof cell, "%c%06zx\n", 'A' + thread, (text * cells + i) & 0xffffff);
        bytes.append(cell, 8);
      }
      written[thread].push_back(std::move(bytes));
    }
  }
  std::atomic<int> started{0};
  auto write_texts = [&](int thread) {
    ++started;
    while (started < 2) std::this_thread::yield();
    for (const std::string& text : written[thread]) {
      write_standard_stream(StandardStream::kOutput, text.data(), text.size());
    }
  };
  std::thread a(write_texts, 0);
  std::thread b(write_texts, 1);
  a.join();
  b.join();
  return 0;
}
