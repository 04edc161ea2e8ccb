// Sound files out through libsndfile.
#include "audio/SoundFileWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "audio/EngineManager.h"

namespace quarn {
namespace {

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

int pcmSubtype(std::string_view sampleFormat) {
  if (sampleFormat == "float") return SF_FORMAT_FLOAT;
  if (sampleFormat == "24") return SF_FORMAT_PCM_24;
  return SF_FORMAT_PCM_16;
}

}  // namespace

int soundFileFormat(std::string_view extension, std::string_view sampleFormat, std::string& error) {
  const std::string ext = lowerCase(extension);
  if (!sampleFormat.empty() && sampleFormat != "float" && sampleFormat != "24" && sampleFormat != "16") {
    error = "unknown sample format '" + std::string(sampleFormat) + "'; use float, 24 or 16";
    return 0;
  }
  if (ext == ".wav") return SF_FORMAT_WAV | pcmSubtype(sampleFormat);
  if (ext == ".flac") {
    if (sampleFormat == "float") {
      error = "FLAC holds 16- or 24-bit samples; use --format 16 or 24";
      return 0;
    }
    return SF_FORMAT_FLAC | pcmSubtype(sampleFormat);
  }
  if (ext == ".ogg") {
    if (!sampleFormat.empty()) {
      error = "Ogg Vorbis has no sample format; leave out --format";
      return 0;
    }
    return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  }
  error = "unknown extension '" + std::string(extension) + "'; use .wav, .flac or .ogg";
  return 0;
}

SoundFileWriter::~SoundFileWriter() {
  if (file_ != nullptr) sf_close(file_);
}

// No PEAK chunk: it carries the time of writing, and two renders of one
// script must be the same bytes.
bool SoundFileWriter::open(const std::filesystem::path& path, int format, std::string& error) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(kEngineSampleRate);
  info.channels = kEngineChannels;
  info.format = format;
  file_ = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) {
    error = sf_strerror(nullptr);
    return false;
  }
  sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool SoundFileWriter::write(const float* interleaved, long frameCount, std::string& error) {
  if (sf_writef_float(file_, interleaved, frameCount) == frameCount) return true;
  error = sf_strerror(file_);
  return false;
}

bool SoundFileWriter::close(std::string& error) {
  SNDFILE* file = file_;
  file_ = nullptr;
  if (file != nullptr && sf_close(file) != 0) {
    error = "the file could not be finished";
    return false;
  }
  return true;
}

}  // namespace quarn
