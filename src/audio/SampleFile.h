// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding and decoding a bundled sound file into memory.
// Called from script threads (any thread except the audio render thread).

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quarn {

// A decoded sound, always as interleaved stereo float (mono is doubled).
// Immutable once handed to the sample player.
struct SampleBuffer {
  std::vector<float> samples;  // frameCount * 2 values, left then right
  long frameCount = 0;
  int sampleRate = 0;  // the file's own rate, in Hz
};

// A name may only pick a file directly inside the resources folder: no path
// separators, no leading dot (which also rules out ".."), no NUL, not empty.
bool isSafeSampleName(const std::string& name);

// resourcesDir / (name + ".wav") when the name is safe and that file exists.
std::filesystem::path findSampleFile(const std::filesystem::path& resourcesDir,
                                     const std::string& name, bool* found);

// The names findSampleFile finds in resourcesDir (without ".wav"), sorted;
// none when the folder cannot be read.
std::vector<std::string> bundledSoundNames(const std::filesystem::path& resourcesDir);

// The whole file decoded, or null when it cannot be opened, read or has a
// sample rate outside the supported range.
std::unique_ptr<SampleBuffer> decodeSampleFile(const std::filesystem::path& file);

}  // namespace quarn
