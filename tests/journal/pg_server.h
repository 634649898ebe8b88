// A throwaway PostgreSQL server for a test: initdb in a temporary folder and
// postgres listening only on a unix socket there (no TCP), run as the test's
// own child and stopped by its process id. As root, both run as "nobody"
// through setpriv, since the server refuses to run as root.
#pragma once

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tarn::testing {

class PgServer {
 public:
  ~PgServer() { Stop(); }

  // False with why() set when the server binaries are missing or it did not
  // start.
  bool Start() {
    const std::filesystem::path bin = FindBinaries();
    if (bin.empty()) return Refuse("PostgreSQL server binaries not found (Debian: postgresql)");
    char pattern[] = "/tmp/tarn-pg-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return Refuse("no temporary folder");
    dir_ = pattern;
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || access("/usr/bin/setpriv", X_OK) != 0) {
        return Refuse("running as root without setpriv or the user nobody");
      }
      if (chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return Refuse("chown failed");
      prefix = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    chmod(dir_.c_str(), 0700);
    std::vector<std::string> initdb = prefix;
    initdb.insert(initdb.end(), {(bin / "initdb").string(), "-D", dir_ + "/data", "-U", "tarn",
                                 "-A", "trust", "-E", "UTF8", "--locale=C", "--no-sync"});
    const pid_t init = Spawn(initdb, dir_ + "/initdb.log");
    int status = 0;
    if (init < 0 || waitpid(init, &status, 0) != init || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      return Refuse("initdb failed; see " + dir_ + "/initdb.log");
    }
    std::vector<std::string> postgres = prefix;
    postgres.insert(postgres.end(), {(bin / "postgres").string(), "-D", dir_ + "/data", "-k", dir_,
                                     "-c", "listen_addresses=", "-c", "fsync=off"});
    pid_ = Spawn(postgres, dir_ + "/server.log");
    if (pid_ < 0) return Refuse("postgres did not start");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(dir_ + "/.s.PGSQL.5432.lock") ||
           !std::filesystem::exists(dir_ + "/.s.PGSQL.5432")) {
      if (std::chrono::steady_clock::now() > deadline || waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return Refuse("postgres did not come up; see " + dir_ + "/server.log");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The socket exists a moment before the server takes connections.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);  // smart shutdown of this server only
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
    if (!dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(dir_, ignored);
      dir_.clear();
    }
  }

  // A database of its own on the server, so that tests do not meet.
  std::string Uri(const std::string& database = "postgres") const {
    return "postgresql:///" + database + "?host=" + dir_ + "&user=tarn";
  }
  const std::string& why() const { return why_; }

 private:
  static std::filesystem::path FindBinaries() {
    std::filesystem::path best;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
      const std::filesystem::path bin = entry.path() / "bin";
      if (std::filesystem::exists(bin / "postgres") && std::filesystem::exists(bin / "initdb") &&
          (best.empty() || bin > best)) {
        best = bin;
      }
    }
    return best;
  }

  static pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    if (chdir("/") != 0) _exit(126);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    char path[] = "PATH=/usr/bin:/bin";
    char* env[] = {path, nullptr};
    execve(argv[0], argv.data(), env);
    _exit(127);
  }

  bool Refuse(std::string why) {
    why_ = std::move(why);
    return false;
  }

  std::string dir_;
  pid_t pid_ = -1;
  std::string why_;
};

}  // namespace tarn::testing
