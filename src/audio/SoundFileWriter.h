// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing rendered stereo audio to a sound file. The container follows the
// file's extension, the sample format a choice the caller names.
//
// Threads: one writer belongs to one thread (the offline renderer's).

#include <filesystem>
#include <string>
#include <string_view>

typedef struct sf_private_tag SNDFILE;

namespace quarn {

// The libsndfile format for writing `extension` (".wav", ".flac", ".ogg", any
// case) with the sample format named by `sampleFormat` ("float", "24", "16";
// empty for the container's default). On a mismatch returns 0 and sets error
// to a sentence that says what to do.
int soundFileFormat(std::string_view extension, std::string_view sampleFormat, std::string& error);

class SoundFileWriter {
public:
  SoundFileWriter() = default;
  ~SoundFileWriter();
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Opens (creating or truncating) path for 44.1 kHz stereo in the given
  // format; samples beyond full scale are clipped, never wrapped.
  bool open(const std::filesystem::path& path, int format, std::string& error);
  // After every write the header says how long the file is, so a file whose
  // process was killed still reads to its last write (a live recording's case).
  void keepHeaderCurrent();
  // Appends frameCount interleaved stereo frames.
  bool write(const float* interleaved, long frameCount, std::string& error);
  // Frames in the file so far, those of a write that failed halfway included.
  long framesWritten() const { return framesWritten_; }
  // Finishes the file (its header, the encoder's last pages).
  bool close(std::string& error);

private:
  std::string failureText(int systemError) const;

  SNDFILE* file_ = nullptr;
  std::filesystem::path path_;
  bool isOgg_ = false;  // its serial number is fixed on close
  long framesWritten_ = 0;
};

}  // namespace quarn
