#pragma once
// Where a render's bytes go: a temporary file beside the output, renamed over
// it only once the render has finished, so a failed or interrupted render
// never leaves a partial file under the output's name. For "-" the finished
// file is copied to standard output.
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
  // cannot take it. Ctrl+C from then on removes it before exiting.
  bool prepare(std::string& error);
  const std::filesystem::path& temporary() const { return temporary_; }
  // Moves the finished file to the output (or copies it to standard output).
  bool commit(std::string& error);

private:
  void discard();

  const std::string output_;
  std::filesystem::path temporary_;
  bool isArmed_ = false;  // Ctrl+C removes temporary_
};

}  // namespace quarn
