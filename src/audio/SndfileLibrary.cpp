// SPDX-License-Identifier: GPL-3.0-or-later
// libsndfile through dlopen: resolved once, on the first call from any thread.
#include "audio/SndfileLibrary.h"

#include <dlfcn.h>

namespace quarn {
namespace {

constexpr const char* kSndfileLibrary = "libsndfile.so.1";

struct SndfileCalls {
  decltype(&::sf_open) open = nullptr;
  decltype(&::sf_readf_float) readFloatFrames = nullptr;
  decltype(&::sf_error) error = nullptr;
  decltype(&::sf_close) close = nullptr;
  decltype(&::sf_writef_float) writeFloatFrames = nullptr;
  decltype(&::sf_command) command = nullptr;
  decltype(&::sf_strerror) errorText = nullptr;
};

template <class Function> Function symbol(void* library, const char* name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

// All of them or none.
SndfileCalls loadSndfile() {
  void* library = dlopen(kSndfileLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return {};
  SndfileCalls calls{symbol<decltype(&::sf_open)>(library, "sf_open"),
                     symbol<decltype(&::sf_readf_float)>(library, "sf_readf_float"),
                     symbol<decltype(&::sf_error)>(library, "sf_error"),
                     symbol<decltype(&::sf_close)>(library, "sf_close"),
                     symbol<decltype(&::sf_writef_float)>(library, "sf_writef_float"),
                     symbol<decltype(&::sf_command)>(library, "sf_command"),
                     symbol<decltype(&::sf_strerror)>(library, "sf_strerror")};
  if (!calls.open || !calls.readFloatFrames || !calls.error || !calls.close || !calls.writeFloatFrames ||
      !calls.command || !calls.errorText)
    return {};
  return calls;
}

const SndfileCalls& sndfile() {
  static const SndfileCalls calls = loadSndfile();
  return calls;
}

}  // namespace

SNDFILE* sndfileOpen(const char* path, int mode, SF_INFO* info) {
  return sndfile().open ? sndfile().open(path, mode, info) : nullptr;
}

sf_count_t sndfileReadFloatFrames(SNDFILE* file, float* frames, sf_count_t count) {
  return sndfile().readFloatFrames ? sndfile().readFloatFrames(file, frames, count) : 0;
}

int sndfileError(SNDFILE* file) { return sndfile().error ? sndfile().error(file) : SF_ERR_SYSTEM; }

int sndfileClose(SNDFILE* file) { return sndfile().close ? sndfile().close(file) : 0; }

sf_count_t sndfileWriteFloatFrames(SNDFILE* file, const float* frames, sf_count_t count) {
  return sndfile().writeFloatFrames ? sndfile().writeFloatFrames(file, frames, count) : 0;
}

int sndfileCommand(SNDFILE* file, int command, void* data, int size) {
  return sndfile().command ? sndfile().command(file, command, data, size) : 0;
}

const char* sndfileErrorText(SNDFILE* file) {
  return sndfile().errorText ? sndfile().errorText(file) : "libsndfile could not be loaded";
}

}  // namespace quarn
