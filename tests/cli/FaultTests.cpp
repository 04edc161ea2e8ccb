// SPDX-License-Identifier: GPL-3.0-or-later
// The command when its surroundings misbehave: a script file that is no text, a
// signal that ends a render or halts a run, a pipe as the output, a full disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>

#include "cli/TestFolder.h"

namespace fs = std::filesystem;

namespace quarn {
namespace {

using test::Outcome;
using test::readFile;
using test::runQuarn;

using CliFaults = test::TestFolder;

const std::string kQuarn = QUARN_BINARY_DIR "/bin/quarn";

// The editor would cut such a script at the NUL; the command refuses it the same way.
TEST_F(CliFaults, AScriptHoldingANulByteIsRefusedEverywhere) {
  const std::string file = scriptFile("nul.quarn", std::string("[tb303 play];\n\0[self wait:1];", 29));
  for (const char* command : {"tokens", "check", "run", "render"}) {
    const Outcome o = runQuarn({command, file});
    EXPECT_EQ(std::tuple(o.status, o.out), std::tuple(2, "")) << command;
    EXPECT_EQ(o.err, "quarn: cannot read " + file + ": it holds a NUL byte on line 2, so it is not a script text\n");
  }
}

TEST_F(CliFaults, EveryEndingSignalRemovesTheRendersTemporary) {
  const std::string file = scriptFile("long.quarn", "[tb303 play]; [self wait:3600];");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    const pid_t pid = fork();
    if (pid == 0) {
      freopen("/dev/null", "w", stdout);
      execl(kQuarn.c_str(), "quarn", "render", "--seconds", "3600", "-o", (dir() / "out.wav").c_str(),
            file.c_str(), nullptr);
      _exit(127);
    }
    const auto begun = [&] {  // the temporary has its header: the signals are handled by then
      for (const auto& entry : fs::directory_iterator(dir()))
        if (entry.path().filename().string().starts_with(".out.wav.") && entry.file_size() > 0) return true;
      return false;
    };
    for (int tries = 0; tries < 1000 && !begun(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + signal) << strsignal(signal);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1) << strsignal(signal);
  }
}

// As the halt button: the wait in progress ends at once, nothing after it runs.
TEST_F(CliFaults, AnInterruptHaltsTheRun) {
  const std::string file = scriptFile("halt.quarn", "[sampler setRate:1];\n[self wait:60];\n[sampler setRate:2];\n");
  const pid_t pid = fork();
  if (pid == 0) {
    freopen((dir() / "out").c_str(), "w", stdout);
    freopen((dir() / "err").c_str(), "w", stderr);
    execl(kQuarn.c_str(), "quarn", "run", "--silent", file.c_str(), nullptr);
    _exit(127);
  }
  for (int tries = 0; tries < 1000 && readFile(dir() / "out").empty(); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // into the wait
  const auto halted = std::chrono::steady_clock::now();
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - halted, std::chrono::seconds(20)) << "the 60 s wait went on";
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
  EXPECT_EQ(readFile(dir() / "out"), "[VRKLog] Sampler rate set to 1.0\nEnd of all sequences.\n");
  EXPECT_NE(readFile(dir() / "err").find("halted"), std::string::npos) << readFile(dir() / "err");
}

TEST_F(CliFaults, APipeOrALinkAsTheOutputStays) {
  const fs::path pipe = dir() / "pipe.wav";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  auto heard = std::async(std::launch::async, [&] { return readFile(pipe); });
  const Outcome o = runQuarn({"render", "--seconds", "0.5", "-o", pipe.string(), scriptFile("a.quarn", "")});
  if (o.status != 0) ::close(::open(pipe.c_str(), O_WRONLY));  // the reader must not wait forever
  EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(0, ""));
  EXPECT_EQ(heard.get().size(), 44 + 4 * 22050u);  // 16-bit stereo
  EXPECT_TRUE(fs::is_fifo(pipe));
  fs::create_symlink(dir() / "real.wav", dir() / "link.wav");
  std::ofstream(dir() / "real.wav") << "old";
  EXPECT_EQ(runQuarn({"render", "--seconds", "0.5", "-o", (dir() / "link.wav").string(), (dir() / "a.quarn").string()}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir() / "link.wav"));
  EXPECT_EQ(fs::file_size(dir() / "real.wav"), 44 + 4 * 22050u);
}

TEST_F(CliFaults, AFullDiskIsOneClearLine) {
  if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no user namespace to mount a small disk in";
  const std::string script = scriptFile("long.quarn", "[tb303 play]; [self wait:20];");
  fs::create_directory(dir() / "disk");
  for (const char* extension : {".wav", ".ogg"}) {
    const std::string out = (dir() / "disk" / "out").string() + extension;
    const std::string command = "unshare -rm sh -c 'mount -t tmpfs -o size=64k none " + (dir() / "disk").string() +
                                " && " + kQuarn + " render --seconds 30 -o " + out + " " + script + " >" +
                                (dir() / "said").string() + " 2>&1; s=$?; ls -A " + (dir() / "disk").string() +
                                " >>" + (dir() / "said").string() + "; exit $s'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << extension;
    EXPECT_EQ(readFile(dir() / "said"), "quarn: cannot write " + out + ": No space left on device\n") << extension;
  }
}

}  // namespace
}  // namespace quarn
