// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Timing other programs beside our own: the CPU time (user + system) a child
// process used, read from wait4, and reference programs
// called by their real path so that a shell shim on PATH (pyenv, asdf) cannot
// inflate their figures.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

namespace quarn::bench {


// The file a program path really names (alternatives and version links
// followed), or the path itself when it cannot be resolved.
inline std::string realProgram(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(path, error);
  return error ? path : resolved.string();
}

// Runs argv (argv[0] a full path) with its output discarded; nothing when it
// cannot be started or does not exit with status 0.
inline std::optional<double> runProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One process run per iteration, timed by its CPU time. Returns the total CPU
// seconds (0 after an error). Peak memory is left to /usr/bin/time: a spawned
// child's ru_maxrss starts from its parent's.
inline double timeProcessRuns(benchmark::State& state, const std::vector<std::string>& argv) {
  double total = 0.0;
  for (auto _ : state) {
    const std::optional<double> seconds = runProcess(argv);
    if (!seconds) {
      state.SkipWithError(("could not run " + argv[0]).c_str());
      return 0.0;
    }
    state.SetIterationTime(*seconds);
    total += *seconds;
  }
  return total;
}

// CPU time of the calling thread, in seconds.
inline double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

}  // namespace quarn::bench
