// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a render's bytes go: a temporary file beside the output, renamed over
// it only once the render has finished, so a failed or interrupted render
// never leaves a partial file under the output's name. For "-" the finished
// file is copied to standard output, and to a pipe or a device named as the
// output the same way; a link named as the output stays, its file replaced. An ending signal (Ctrl+C, SIGTERM, SIGHUP, SIGQUIT) or
// the program's exit removes a temporary still there.
//
// Threads: the thread that renders.

#include <filesystem>
#include <string>

namespace quarn {

class RenderTarget {
public:
  explicit RenderTarget(std::string output);
  ~RenderTarget();  // removes the temporary file unless committed
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // Creates the temporary file; false (with error) when the output's folder
  // cannot take it. An ending signal from then on removes it before exiting.
  bool prepare(std::string& error);
  const std::filesystem::path& temporary() const { return temporary_; }
  // Moves the finished file to the output (or copies it to standard output).
  bool commit(std::string& error);

private:
  void discard();

  const std::string output_;
  std::filesystem::path destination_;  // the output, or the file a link there names
  std::filesystem::path temporary_;
  bool isStream_ = false;   // copied to the output, not renamed over it
  int cleanupSlot_ = -1;    // where a signal or the exit finds temporary_
};

}  // namespace quarn
