#include "standard_output.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace {

// Held for the whole of one text, so that a text resumed after a partial write is not interleaved
// with another thread's. (The kernel keeps a single write whole only up to PIPE_BUF bytes.)
std::mutex write_lock;

// Waits until `descriptor` can take more bytes. A descriptor in non-blocking mode, as a parent
// process may hand over, refuses a write with EAGAIN instead of waiting itself. Returns false iff
// the wait itself failed; a descriptor that has gone (POLLHUP, POLLERR, POLLNVAL) returns true and
// the next write reports the failure.
bool WaitUntilWritable(int descriptor) {
  pollfd request = {descriptor, POLLOUT, 0};
  while (poll(&request, 1, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Writes all `size` bytes to `descriptor`, in order: resumes after a partial write, repeats a write
// that a signal interrupted before it wrote anything (a handler installed without SA_RESTART, by
// the JVM or the hosted application), and waits out EAGAIN. Gives up only on an error that waiting
// cannot cure (EBADF, EPIPE, EIO, ENOSPC, ...).
void WriteAll(int descriptor, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written > 0) {
      bytes += written;
      size -= static_cast<size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitUntilWritable(descriptor)) return;
    } else {
      return;  // an error, or a write of 0 bytes that would repeat forever
    }
  }
}

}  // namespace

// POSIX streams never translate line ends, and a process always has its three descriptors (a
// closed one only makes writes fail). The launcher writes its trace straight to the descriptor;
// C stdio's standard output is made unbuffered, so that text other code of the process writes
// through it also reaches the descriptor at once, in its true order with the trace.
void prepare_standard_output() { std::setvbuf(stdout, nullptr, _IONBF, 0); }

// errno is kept: a trace line may fall between a failing call and the code that reads its errno.
void write_standard_stream(StandardStream stream, const char* bytes, size_t size) {
  const int saved_errno = errno;
  {
    const std::lock_guard<std::mutex> hold(write_lock);
    WriteAll(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO, bytes, size);
  }
  errno = saved_errno;
}
