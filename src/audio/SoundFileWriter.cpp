// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files out through libsndfile.
#include "audio/SoundFileWriter.h"

#include "audio/SndfileLibrary.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

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

// An Ogg page: "OggS", then at 14 the stream's serial number, at 22 the page's
// CRC, at 26 the count of segments, their sizes, then the segments.
constexpr std::size_t kOggSerialAt = 14;
constexpr std::size_t kOggCrcAt = 22;
constexpr std::size_t kOggHeaderBytes = 27;
// Every render's stream gets this serial: libsndfile picks one at random, which
// would make two renders of one script differ.
constexpr std::uint32_t kOggSerial = 0x51524e44;

void putLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Ogg's CRC-32: polynomial 0x04c11db7, not reflected, starting from 0.
std::uint32_t oggCrc(const unsigned char* data, std::size_t size) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
  }
  return crc;
}

// Gives every page of the file the fixed serial and its new CRC.
bool fixOggSerial(const std::filesystem::path& path) {
  std::error_code error;
  const auto fileBytes = std::filesystem::file_size(path, error);
  if (error) return false;
  std::vector<unsigned char> bytes(static_cast<std::size_t>(fileBytes));
  {
    // A file that cannot be read back is left as it is, and the render fails.
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return false;
  }
  for (std::size_t page = 0; page + kOggHeaderBytes <= bytes.size();) {
    if (std::string_view(reinterpret_cast<const char*>(&bytes[page]), 4) != "OggS") return false;
    const std::size_t segments = bytes[page + 26];
    if (page + kOggHeaderBytes + segments > bytes.size()) return false;
    std::size_t size = kOggHeaderBytes + segments;
    for (std::size_t i = 0; i < segments; ++i) size += bytes[page + kOggHeaderBytes + i];
    if (page + size > bytes.size()) return false;
    putLittleEndian(bytes, page + kOggSerialAt, kOggSerial);
    putLittleEndian(bytes, page + kOggCrcAt, 0);
    putLittleEndian(bytes, page + kOggCrcAt, oggCrc(&bytes[page], size));
    page += size;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
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
  if (file_ != nullptr) sndfileClose(file_);
}

// No PEAK chunk: it carries the time of writing, and two renders of one
// script must be the same bytes.
bool SoundFileWriter::open(const std::filesystem::path& path, int format, std::string& error) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(kSampleRate);
  info.channels = kEngineChannels;
  info.format = format;
  path_ = path;
  isOgg_ = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
  framesWritten_ = 0;
  file_ = sndfileOpen(path.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) {
    error = sndfileErrorText(nullptr);
    return false;
  }
  sndfileCommand(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  sndfileCommand(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

// The system's reason when a call failed on one (a full disk): the Vorbis
// encoder only says "Unspecified internal error."
std::string SoundFileWriter::failureText(int systemError) const {
  return systemError != 0 ? std::strerror(systemError) : std::string(sndfileErrorText(file_));
}

void SoundFileWriter::keepHeaderCurrent() {
  if (file_ != nullptr) sndfileCommand(file_, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
}

bool SoundFileWriter::write(const float* interleaved, long frameCount, std::string& error) {
  errno = 0;
  const auto written = sndfileWriteFloatFrames(file_, interleaved, frameCount);
  if (written > 0) framesWritten_ += static_cast<long>(written);
  if (written == frameCount) return true;
  error = failureText(errno);
  return false;
}

bool SoundFileWriter::close(std::string& error) {
  SNDFILE* file = file_;
  file_ = nullptr;
  errno = 0;
  if ((file != nullptr && sndfileClose(file) != 0) || (isOgg_ && !fixOggSerial(path_))) {
    error = errno != 0 ? std::strerror(errno) : "the file could not be finished";
    return false;
  }
  return true;
}

}  // namespace quarn
