// The idle cost of the clipboard watch: a 50 ms timer asking the Print Screen
// key's state, as the watch does while nothing happens, against the same
// timer doing nothing, each for the same time. Prints the CPU time of this
// process (and of the X server, when its process id is given in
// VITRIX_BENCH_XSERVER_PID) as a share of one core, and the cost of one key
// check measured in a tight loop. Needs an X display: run it through
// bench_print_screen, which starts a private one.
//
//   print_screen_idle [--seconds N]   (default 60 for each phase)

#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/print_screen.h"
#include "support/proc_stat.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process, or -1.
double OtherProcessCpuSeconds(const char* pid) {
  if (pid == nullptr) return -1;
  const std::optional<vitrix::test::ProcStat> stat = vitrix::test::ReadProcessStat(std::atoi(pid));
  return stat ? stat->cpu_seconds : -1;
}

struct TPhase {
  double Process = 0;
  double Server = -1;
  double Wall = 0;
  long Ticks = 0;
};

// Runs the event loop with a 50 ms timer for seconds; tick is what each tick does.
template <class F>
TPhase Measure(QGuiApplication& app, int seconds, F tick) {
  const char* server_pid = std::getenv("VITRIX_BENCH_XSERVER_PID");
  TPhase phase;
  QTimer timer;
  timer.setInterval(50);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++phase.Ticks;
    tick();
  });
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  const double process = ProcessCpuSeconds();
  const double server = OtherProcessCpuSeconds(server_pid);
  const auto start = Clock::now();
  timer.start();
  QGuiApplication::exec();
  phase.Wall = std::chrono::duration<double>(Clock::now() - start).count();
  phase.Process = ProcessCpuSeconds() - process;
  if (server >= 0) phase.Server = OtherProcessCpuSeconds(server_pid) - server;
  return phase;
}

void Print(const char* name, const TPhase& phase) {
  std::printf("%-28s %5ld ticks  vitrix %7.3f s = %6.3f %% of a core", name, phase.Ticks, phase.Process,
              100.0 * phase.Process / phase.Wall);
  if (phase.Server >= 0) std::printf("   X server %7.3f s = %6.3f %%", phase.Server, 100.0 * phase.Server / phase.Wall);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 60;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
  }
  QGuiApplication app(argc, argv);
  if (QGuiApplication::platformName() != "xcb") {
    std::fprintf(stderr, "print_screen_idle: needs an X display (run bench_print_screen)\n");
    return 1;
  }
  const vitrix::TPrintScreenStart start = vitrix::PrintScreen().Start();
  if (vitrix::PrintScreenStartMessage(start) != nullptr) {
    std::fprintf(stderr, "print_screen_idle: the watch cannot start\n");
    return 1;
  }
  std::printf("watch started: %s\n",
              start == vitrix::TPrintScreenStart::psCaptures ? "the key is ours" : "another program holds the key");

  // One key check in a tight loop: a round trip to the X server.
  constexpr int kChecks = 20000;
  const char* server_pid = std::getenv("VITRIX_BENCH_XSERVER_PID");
  const double before = ProcessCpuSeconds();
  const double server_before = OtherProcessCpuSeconds(server_pid);
  const auto wall = Clock::now();
  long down = 0;
  for (int i = 0; i < kChecks; ++i) down += vitrix::GetKeyState(vitrix::VK_SNAPSHOT) < 0 ? 1 : 0;
  const double check_wall = std::chrono::duration<double>(Clock::now() - wall).count() / kChecks;
  const double check_cpu = (ProcessCpuSeconds() - before) / kChecks;
  std::printf("one key check: %.1f us wall, %.1f us CPU in vitrix", check_wall * 1e6, check_cpu * 1e6);
  if (server_before >= 0) {
    std::printf(", %.1f us CPU in the X server", (OtherProcessCpuSeconds(server_pid) - server_before) / kChecks * 1e6);
  }
  std::printf(" (%d checks, %ld reported down)\n", kChecks, down);

  const TPhase idle = Measure(app, seconds, [] {});
  const TPhase watch = Measure(app, seconds, [] { (void)vitrix::GetKeyState(vitrix::VK_SNAPSHOT); });
  Print("50 ms timer alone", idle);
  Print("50 ms timer + key check", watch);
  const double share = 100.0 * (watch.Process / watch.Wall);
  std::printf("watch idle cost: %.3f %% of a core (goal under 0.5 %%); the key check adds %.3f %% to the bare timer\n",
              share, share - 100.0 * idle.Process / idle.Wall);
  vitrix::PrintScreen().Stop();
  return 0;
}
