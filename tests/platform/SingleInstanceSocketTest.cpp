// The single-instance socket under load, with real connections from another
// process: it keeps listening when descriptors run out, and many connections
// holding large unfinished messages cost a bounded amount of memory while a
// command still gets its answer.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "platform/local/LocalSingleInstance.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using platform::LocalSingleInstance;
using test::TempDir;
constexpr const char* kName = "Socket_Test";


// What goes to stderr meanwhile, in a file.
class StderrCapture {
 public:
  explicit StderrCapture(std::string file) : file_(std::move(file)), saved_(::dup(2)) {
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrCapture() {
    ::dup2(saved_, 2);
    ::close(saved_);
  }
  std::string Text() const { return test::ReadFile(file_); }

 private:
  std::string file_;
  int saved_;
};

// The program's side: the first instance, answering every command at once.
struct Server {
  explicit Server(const std::string& folder) : instance(folder) {
    EXPECT_FALSE(instance.OtherInstanceRunning(kName, ""));
    instance.Listen({}, [](const remote::Request&, platform::SingleInstance::Answer answer) {
      answer(remote::Reply{remote::Status::Ok, {"pong"}});
    });
  }
  LocalSingleInstance instance;
};

// A later start's command, on a thread of its own while this one serves.
std::string Ask(const std::string& folder) {
  std::atomic<bool> done{false};
  std::string answer;
  std::thread asker([&] {
    try {
      LocalSingleInstance client(folder);
      remote::Reply reply;
      client.SendRequest(kName, remote::Request{remote::Command::Status, {}}, reply);
      answer = reply.lines.empty() ? "(no line)" : reply.lines[0];
    } catch (const std::exception& e) {
      answer = e.what();
    }
    done = true;
  });
  test::WaitFor([&] { return done.load(); }, 40000);
  asker.join();
  return answer;
}

// Another process opens `count` connections, sending `message` on each as far
// as it is taken, says so on `ready` and holds them until `hold` is closed
// (`holdEnd`, its other end, is ours alone).
pid_t Connections(const std::string& socket, int count, const std::string& message, int ready, int hold,
                  int holdEnd) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::close(holdEnd);
  for (int i = 0; i < count; ++i) {  // system calls only: this is a fork of a threaded process
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) _exit(1);
    for (std::size_t sent = 0; sent < message.size();) {
      const ssize_t n = ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;  // dropped by the program
      sent += static_cast<std::size_t>(n);
    }
  }
  char byte = 1;
  if (::write(ready, &byte, 1) != 1) _exit(1);
  (void)!::read(hold, &byte, 1);
  _exit(0);
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

long PeakKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

class SingleInstanceSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(hold, O_CLOEXEC), 0);
  }
  void TearDown() override {
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(hold[0]);
    if (hold[1] >= 0) ::close(hold[1]);
    if (child > 0) ::waitpid(child, nullptr, 0);
  }
  void Release() {
    ::close(hold[1]);
    hold[1] = -1;
    ::waitpid(child, nullptr, 0);
    child = -1;
  }
  std::string Socket() const { return dir / kName; }

  TempDir dir;
  int ready[2] = {-1, -1};
  int hold[2] = {-1, -1};
  pid_t child = -1;
};

TEST_F(SingleInstanceSocketTest, ListeningGoesOnAfterTheDescriptorsRanOut) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizers' own checks need descriptors (a pipe to probe memory) and fail without them";
#endif
  Server server(dir.Path());
  StderrCapture log(dir / "stderr");
  // Room for a few more descriptors (the lowest free numbers): the rest of
  // the connections cannot be taken.
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  std::set<int> open;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    open.insert(std::stoi(entry.path().filename().string()));
  int room = 0;
  for (int free = 0; free < 3; ++room) free += open.count(room) == 0;
  rlimit tight = limit;
  tight.rlim_cur = static_cast<rlim_t>(room);
  // (The connections queue until this process takes them.)
  child = Connections(Socket(), 20, "", ready[1], hold[0], hold[1]);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  const bool connected = test::WaitFor([&] { return Readable(ready[0]); });
  test::WaitFor([] { return false; }, 500);  // the program meets the limit, again and again
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  ASSERT_TRUE(connected);
  Release();

  struct stat st {};
  ASSERT_EQ(::stat(Socket().c_str(), &st), 0) << "the socket is gone";
  EXPECT_EQ(Ask(dir.Path()), "pong");
  EXPECT_NE(log.Text().find("cannot take a connection on the single-instance socket for now: Too many open files"),
            std::string::npos)
      << log.Text();
}

TEST_F(SingleInstanceSocketTest, ManyConnectionsWithLargeUnfinishedMessagesCostBoundedMemory) {
  Server server(dir.Path());
  StderrCapture log(dir / "stderr");
  // 100 connections, each holding all but the last byte of a 4 MiB request.
  std::string message = "TOVIWALL/1 " + std::to_string(remote::kMaxRequestBytes) + "\n";
  message.resize(message.size() + remote::kMaxRequestBytes - 1, 'x');
  const long before = PeakKiB();
  child = Connections(Socket(), 100, message, ready[1], hold[0], hold[1]);
  ASSERT_TRUE(test::WaitFor([&] { return Readable(ready[0]); }, 60000));
  // Meanwhile and now, with the connections still open, a command gets through.
  EXPECT_EQ(Ask(dir.Path()), "pong");
  const long grown = PeakKiB() - before;
  std::printf("peak memory grew by %ld KiB\n", grown);
#ifndef __SANITIZE_ADDRESS__  // which keeps what is freed for a while
  EXPECT_LT(grown, 64 * 1024);
#endif
  std::size_t sockets = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    sockets += std::filesystem::read_symlink(entry.path()).string().starts_with("socket:");
  EXPECT_LE(sockets, LocalSingleInstance::kMaxPeers + 1);  // and the listening one
  Release();
  EXPECT_NE(log.Text().find("unfinished messages hold more than 16 MiB"), std::string::npos) << log.Text();
}

}  // namespace
}  // namespace toviwall
