// The trace on a POSIX standard output that does not take a write whole at once: a pipe that is
// full when a signal arrives, a pipe in non-blocking mode, a message larger than a pipe holds.
// Each test points descriptor 1 at a pipe of its own for the duration of one trace call and checks
// that every byte arrived, in order. Nothing here waits for a time to pass: where a test needs the
// writer blocked, it watches the writer thread's system call.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "trace.h"

namespace {

// A text in which every 8-byte cell holds its own index, so that a lost, repeated or misplaced
// piece shows as a wrong cell.
std::string NumberedText(size_t size) {
  std::string text;
  char cell[16];
  for (size_t i = 0; text.size() < size; ++i) {
    std::snprintf(cell, sizeof cell, "%07zx\n", i);
    text += cell;
  }
  text.resize(size);
  return text;
}

// The first index where `actual` departs from `expected`, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  return "expected " + std::to_string(expected.size()) + " bytes, got " +
         std::to_string(actual.size()) + "; first difference at byte " + std::to_string(i);
}

struct Pipe {
  int read_end = -1;
  int write_end = -1;
  Pipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0) {
      read_end = ends[0];
      write_end = ends[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (read_end >= 0) close(read_end);
    read_end = -1;
  }
  void CloseWrite() {
    if (write_end >= 0) close(write_end);
    write_end = -1;
  }
};

void SetNonBlocking(int descriptor, bool on) {
  const int flags = fcntl(descriptor, F_GETFL);
  fcntl(descriptor, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

// Writes to `descriptor` until the pipe is full; returns what was written.
std::string FillPipe(int descriptor) {
  SetNonBlocking(descriptor, true);
  const std::string chunk = NumberedText(4096);
  std::string written;
  for (;;) {
    const ssize_t n = write(descriptor, chunk.data(), chunk.size());
    if (n <= 0) break;
    written.append(chunk, 0, static_cast<size_t>(n));
  }
  SetNonBlocking(descriptor, false);
  return written;
}

// Everything that arrives at `descriptor` until end of file.
std::string ReadToEnd(int descriptor) {
  std::string received;
  char buffer[4096];
  ssize_t n;
  while ((n = read(descriptor, buffer, sizeof buffer)) != 0) {
    if (n > 0) {
      received.append(buffer, static_cast<size_t>(n));
    } else if (errno != EINTR) {
      break;
    }
  }
  return received;
}

// Descriptor 1 is `target` while this lives; then the test process's own standard output again.
class StandardOutputOnto {
 public:
  explicit StandardOutputOnto(int target) : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    dup2(target, STDOUT_FILENO);
  }
  ~StandardOutputOnto() { Restore(); }
  void Restore() {
    if (saved_ < 0) return;
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }

 private:
  int saved_;
};

// Whether thread `tid` of this process waits in an interruptible sleep inside a system call on
// descriptor 1, as in a write to a full pipe. (Where the kernel does not show a thread's system
// call, the sleep alone is taken for it. The number is not compared: under a user-mode emulator
// the kernel shows the host's.)
bool WaitsOnStandardOutput(pid_t tid) {
  const std::string task = "/proc/self/task/" + std::to_string(tid);
  std::ifstream stat_file(task + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(stat_file)),
                         std::istreambuf_iterator<char>());
  const size_t name_end = stat.rfind(')');
  if (name_end == std::string::npos || name_end + 2 >= stat.size() || stat[name_end + 2] != 'S') {
    return false;
  }
  std::ifstream syscall_file(task + "/syscall");
  long number = -1;
  std::string first_argument;
  if (!(syscall_file >> number >> first_argument)) return true;
  return first_argument == "0x1";
}

volatile sig_atomic_t signals_handled = 0;
void CountSignal(int) { signals_handled = signals_handled + 1; }

TEST(TraceDelivery, MessageInterruptedBySignalWithoutRestartWhilePipeIsFull) {
  Pipe pipe;
  ASSERT_GE(pipe.read_end, 0);
  const std::string filler = FillPipe(pipe.write_end);
  ASSERT_FALSE(filler.empty());

  // A handler without SA_RESTART, as the JVM or a hosted application may install: a write it
  // interrupts before any byte went out fails with EINTR instead of being restarted.
  struct sigaction action = {};
  action.sa_handler = &CountSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  struct sigaction previous;
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  signals_handled = 0;

  const std::string message = "MESSAGE-ONE " + NumberedText(6000) + "\n";
  std::atomic<pid_t> writer_tid{0};
  StandardOutputOnto redirect(pipe.write_end);
  pipe.CloseWrite();
  std::thread writer([&] {
    writer_tid = static_cast<pid_t>(syscall(SYS_gettid));
    launcher::trace("%s", message.c_str());
  });
  // The signal is sent once the writer waits in its write to the full pipe, and the pipe is
  // drained only after the handler has run, so the write it interrupted had written nothing.
  while (writer_tid == 0) std::this_thread::yield();
  while (!WaitsOnStandardOutput(writer_tid)) std::this_thread::yield();
  pthread_kill(writer.native_handle(), SIGUSR1);
  while (signals_handled == 0) std::this_thread::yield();

  std::string received;
  std::thread reader([&] { received = ReadToEnd(pipe.read_end); });
  writer.join();
  redirect.Restore();  // the pipe's last write end: the reader meets end of file
  reader.join();
  sigaction(SIGUSR1, &previous, nullptr);

  EXPECT_EQ(signals_handled, 1);
  const std::string expected = filler + message;
  EXPECT_TRUE(received == expected) << FirstDifference(expected, received);
}

TEST(TraceDelivery, NonBlockingPipeReadSlowlyByAnotherProcess) {
  Pipe pipe;
  ASSERT_GE(pipe.read_end, 0);
  const int pipe_capacity = fcntl(pipe.write_end, F_GETPIPE_SZ);
  ASSERT_GT(pipe_capacity, 0);
  SetNonBlocking(pipe.write_end, true);
  // Four times what the pipe holds: the writer meets a full pipe (EAGAIN) again and again.
  const std::string message = NumberedText(4 * static_cast<size_t>(pipe_capacity));
  std::FILE* received_file = std::tmpfile();
  ASSERT_NE(received_file, nullptr);

  std::fflush(nullptr);
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    // The slow reader: a small piece at a time, with a pause after each, into the file.
    pipe.CloseWrite();
    char buffer[1000];
    const timespec pause = {0, 500 * 1000};
    ssize_t n;
    while ((n = read(pipe.read_end, buffer, sizeof buffer)) != 0) {
      if (n < 0 && errno != EINTR) _exit(3);
      if (n > 0 && write(fileno(received_file), buffer, static_cast<size_t>(n)) != n) _exit(2);
      nanosleep(&pause, nullptr);
    }
    _exit(0);
  }
  pipe.CloseRead();
  {
    StandardOutputOnto redirect(pipe.write_end);
    pipe.CloseWrite();
    launcher::trace("%s", message.c_str());
  }
  int status = 0;
  ASSERT_EQ(waitpid(reader, &status, 0), reader);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "reader status " << status;

  std::rewind(received_file);
  std::string received;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, received_file)) > 0) received.append(buffer, n);
  std::fclose(received_file);
  EXPECT_TRUE(received == message) << FirstDifference(message, received);
}

TEST(TraceDelivery, MessageOf64KibArrivesWhole) {
  Pipe pipe;
  ASSERT_GE(pipe.read_end, 0);
  const std::string message = NumberedText(64 * 1024);
  std::string received;
  std::thread reader([&] { received = ReadToEnd(pipe.read_end); });
  {
    StandardOutputOnto redirect(pipe.write_end);
    pipe.CloseWrite();
    launcher::trace("%s", message.c_str());
  }
  reader.join();
  EXPECT_TRUE(received == message) << FirstDifference(message, received);
}

}  // namespace
