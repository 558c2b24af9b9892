#include "measured_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "bench_support.h"

namespace fs = std::filesystem;

namespace {

/// A word for the shell, in single quotes.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct PipeCloser {
  void operator()(std::FILE* f) const { pclose(f); }
};

}  // namespace

int launch_measured(int argc, char** argv) {
  if (argc < 1) return 2;
  const long launcher_kb = static_cast<long>(status_kb("VmRSS:"));
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    const int null_device = open("/dev/null", O_WRONLY);
    dup2(null_device, STDOUT_FILENO);
    dup2(null_device, STDERR_FILENO);
    execv(argv[0], argv);
    _exit(127);
  }
  int wait_status = 0;
  rusage usage{};
  if (wait4(child, &wait_status, 0, &usage) != child) return 2;
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  std::printf("%d %.9f %ld %ld\n", status, seconds.count(), usage.ru_maxrss, launcher_kb);
  return 0;
}

MeasuredRun run_measured(const fs::path& program, const std::vector<std::string>& arguments) {
  std::string command = quoted(fs::read_symlink("/proc/self/exe").string()) + " " +
                        kLauncherArgument + " " + quoted(program.string());
  for (const std::string& a : arguments) command += " " + quoted(a);
  MeasuredRun run;
  const std::unique_ptr<std::FILE, PipeCloser> launcher(popen(command.c_str(), "r"));
  if (!launcher) return run;
  long peak_kb = 0, launcher_kb = 0;
  if (std::fscanf(launcher.get(), "%d %lf %ld %ld", &run.status, &run.seconds, &peak_kb,
                  &launcher_kb) != 4) {
    run.status = -1;
    return run;
  }
  run.peak_mb = static_cast<double>(peak_kb) / 1024;
  run.launcher_mb = static_cast<double>(launcher_kb) / 1024;
  return run;
}
