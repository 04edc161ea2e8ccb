// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files: the safe-name rule and decoding with libsndfile (loaded on first use).
#include "audio/SampleFile.h"

#include <algorithm>
#include <new>

#include "audio/EngineLimits.h"
#include "audio/SndfileLibrary.h"

namespace quarn {
namespace {

constexpr sf_count_t kReadBlockFrames = 4096;

struct SoundFileCloser {
  void operator()(SNDFILE* file) const { sndfileClose(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// Appends one block of interleaved file frames to the stereo buffer.
void appendAsStereo(std::vector<float>& stereo, const std::vector<float>& block,
                    sf_count_t frames, int channels) {
  for (sf_count_t i = 0; i < frames; ++i) {
    const float left = block[static_cast<std::size_t>(i * channels)];
    const float right = channels > 1 ? block[static_cast<std::size_t>(i * channels + 1)] : left;
    stereo.push_back(left);
    stereo.push_back(right);
  }
}

// Reads block by block rather than trusting the header's frame count.
std::unique_ptr<SampleBuffer> readAll(SNDFILE* file, const SF_INFO& info) {
  auto buffer = std::make_unique<SampleBuffer>();
  buffer->sampleRate = info.samplerate;
  std::vector<float> block(static_cast<std::size_t>(kReadBlockFrames * info.channels));
  for (;;) {
    const sf_count_t got = sndfileReadFloatFrames(file, block.data(), kReadBlockFrames);
    if (got <= 0) {
      break;
    }
    appendAsStereo(buffer->samples, block, got, info.channels);
  }
  if (sndfileError(file) != SF_ERR_NO_ERROR) {
    return nullptr;
  }
  buffer->frameCount = static_cast<long>(buffer->samples.size() / 2);
  return buffer;
}

}  // namespace

bool isSafeSampleName(const std::string& name) {
  if (name.empty() || name.front() == '.') {
    return false;
  }
  return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::filesystem::path findSampleFile(const std::filesystem::path& resourcesDir,
                                     const std::string& name, bool* found) {
  *found = false;
  if (!isSafeSampleName(name)) {
    return {};
  }
  std::filesystem::path file = resourcesDir / (name + ".wav");
  std::error_code error;
  *found = std::filesystem::is_regular_file(file, error);
  return file;
}

std::vector<std::string> bundledSoundNames(const std::filesystem::path& resourcesDir) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(resourcesDir, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::filesystem::path& file = entry->path();
    if (file.extension() != ".wav" || !entry->is_regular_file(error)) continue;
    if (std::string name = file.stem().string(); isSafeSampleName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::unique_ptr<SampleBuffer> decodeSampleFile(const std::filesystem::path& file) {
  SF_INFO info{};
  SoundFile sound(sndfileOpen(file.c_str(), SFM_READ, &info));
  if (!sound || info.channels < 1 || info.samplerate < kMinFileSampleRate ||
      info.samplerate > kMaxFileSampleRate) {
    return nullptr;
  }
  try {
    return readAll(sound.get(), info);
  } catch (const std::bad_alloc&) {
    return nullptr;  // a file too large for memory counts as unreadable
  }
}

}  // namespace quarn
