#pragma once
// Helpers shared by the benchmarks that compare the program with a tool run in
// the same iteration: timing a child process (wall time and its peak memory),
// a private work folder, and the counters every comparison prints.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace qel::bench {

// A fresh folder of this process under the temporary folder, made once.
inline QString BenchWorkDir(const char *name) {
  static QString dir = [name] {
    QString d = QDir::tempPath() + QStringLiteral("/qel-") + QString::fromLatin1(name) + QLatin1Char('-') +
                QString::number(getpid());
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

struct ChildRun {
  bool ok = false;       // started and exited with status 0
  double seconds = 0;    // wall time from fork to exit
  double maxRssMB = 0;   // the child's peak resident memory
};

namespace detail {
// The argument and environment vectors of a child, made before the fork:
// the environment of this process plus `extraEnv` ("NAME=value" entries, which win).
struct ChildVectors {
  ChildVectors(const QString &program, const QStringList &args, const QStringList &extraEnv) {
    argStore.push_back(program.toLocal8Bit());
    for (const QString &a : args) argStore.push_back(a.toLocal8Bit());
    for (QByteArray &a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (const QString &e : extraEnv) envStore.push_back(e.toLocal8Bit());
    for (char **e = environ; *e; ++e) {
      const QByteArray entry(*e);
      const QByteArray name = entry.left(entry.indexOf('=') + 1);
      bool overridden = false;
      for (const QString &x : extraEnv) overridden = overridden || x.toLocal8Bit().startsWith(name);
      if (!overridden) envStore.push_back(entry);
    }
    for (QByteArray &e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
  ChildVectors(const ChildVectors &) = delete;
  ChildVectors &operator=(const ChildVectors &) = delete;
  std::vector<QByteArray> argStore, envStore;
  std::vector<char *> argv, envp;
};
} // namespace detail

// Runs `program` with `args`, its output thrown away, the environment of this
// process plus `extraEnv` ("NAME=value" entries, which win).
inline ChildRun RunChild(const QString &program, const QStringList &args, const QStringList &extraEnv = {},
                         const QString &workDir = QString()) {
  // Everything the child needs is made before the fork.
  detail::ChildVectors child(program, args, extraEnv);
  char *const *argv = child.argv.data();
  char *const *envp = child.envp.data();
  const QByteArray dir = workDir.toLocal8Bit();

  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    if (!dir.isEmpty() && chdir(dir.constData()) != 0) _exit(127);
    execve(argv[0], argv, envp);
    execvpe(argv[0], argv, envp);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.maxRssMB = double(usage.ru_maxrss) / 1024.0;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// A program run until it printed a line on standard output: the time from
// the fork to that line, which is what its user waits for, and its memory
// then. The program may go on after the line (ending, freeing); that is
// waited for but not timed.
struct MarkedRun {
  bool ok = false;           // the line came and the program exited with status 0
  double seconds = 0;        // fork to the line
  double rssMB = 0;          // resident memory when the line came
  double peakRssMB = 0;      // peak resident memory up to the line
};

namespace detail {
inline double statusMB(pid_t pid, const char *field) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray &line : f.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
  return 0;
}
} // namespace detail

inline MarkedRun RunChildUntilLine(const QString &program, const QStringList &args, const QStringList &extraEnv,
                                   const QByteArray &line) {
  detail::ChildVectors child(program, args, extraEnv);
  char *const *argv = child.argv.data();
  char *const *envp = child.envp.data();

  MarkedRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    close(out[0]);
    close(out[1]);
    return run;
  }
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 2);
    }
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execve(argv[0], argv, envp);
    _exit(127);
  }
  close(out[1]);
  QByteArray seen;
  bool marked = false;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, n);
    if (!marked && seen.contains(line)) {
      marked = true;
      run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      run.rssMB = detail::statusMB(pid, "VmRSS:");
      run.peakRssMB = detail::statusMB(pid, "VmHWM:");
    }
  }
  close(out[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return run;
  run.ok = marked && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// The median of some times (the mean of the middle two for an even count).
inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Seconds since `start`.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The times of one comparison, one pair per iteration. Reports the mean of
// each side (seconds), ours / theirs of the means, of the best times (which
// a loaded machine disturbs least) and of the medians.
struct RatioTimes {
  std::vector<double> ours, theirs;
  void add(double o, double t) {
    ours.push_back(o);
    theirs.push_back(t);
  }
  void report(benchmark::State &state, const char *tool) const {
    if (ours.empty()) return;
    auto mean = [](const std::vector<double> &v) {
      double s = 0;
      for (double x : v) s += x;
      return s / double(v.size());
    };
    auto best = [](const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); };
    state.counters["ours_s"] = mean(ours);
    state.counters[std::string(tool) + "_s"] = mean(theirs);
    state.counters["ratio"] = mean(theirs) > 0 ? mean(ours) / mean(theirs) : 0;
    state.counters["ratio_best"] = best(theirs) > 0 ? best(ours) / best(theirs) : 0;
    state.counters["ours_median_s"] = Median(ours);
    state.counters[std::string(tool) + "_median_s"] = Median(theirs);
    state.counters["ratio_median"] = Median(theirs) > 0 ? Median(ours) / Median(theirs) : 0;
  }
};

} // namespace qel::bench
