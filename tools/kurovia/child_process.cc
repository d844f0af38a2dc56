#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace krv::cli {
namespace {

constexpr std::size_t kReadBytes = 1 << 16;
constexpr std::size_t kTailBytes = 4096;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

class FileActions {
 public:
  FileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~FileActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }
  bool ok() const { return ok_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

}  // namespace

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, std::ostream* out) {
  ChildResult result;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    result.message = std::string("cannot create a pipe: ") + std::strerror(errno);
    return result;
  }
  Fd readEnd(fds[0]);
  Fd writeEnd(fds[1]);

  FileActions actions;
  if (!actions.ok() || posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0) != 0 ||
      posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 1) != 0 ||
      posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 2) != 0) {
    result.message = "cannot prepare the child's descriptors";
    return result;
  }

  std::vector<std::string> words;
  words.reserve(args.size() + 1);
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ);
  writeEnd.Close();
  if (rc != 0) {
    result.message = "cannot start " + program + ": " + std::strerror(rc);
    return result;
  }
  result.started = true;

  std::string buffer(kReadBytes, '\0');
  for (;;) {
    const ssize_t got = ::read(readEnd.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const auto n = static_cast<std::size_t>(got);
    if (out != nullptr) {
      out->write(buffer.data(), static_cast<std::streamsize>(n));
      out->flush();
    }
    result.tail.append(buffer.data(), n);
    if (result.tail.size() > 2 * kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);
  }
  if (result.tail.size() > kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.status = 1;
      result.message = std::string("cannot wait for the child: ") + std::strerror(errno);
      return result;
    }
  }
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.status = 128 + WTERMSIG(status);
    result.message = std::string("ended by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                     strsignal(WTERMSIG(status)) + ")";
  }
  return result;
}

}  // namespace krv::cli
