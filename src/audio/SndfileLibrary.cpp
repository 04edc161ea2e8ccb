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
};

template <class Function> Function symbol(void* library, const char* name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

// All four or none.
SndfileCalls loadSndfile() {
  void* library = dlopen(kSndfileLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return {};
  SndfileCalls calls{symbol<decltype(&::sf_open)>(library, "sf_open"),
                     symbol<decltype(&::sf_readf_float)>(library, "sf_readf_float"),
                     symbol<decltype(&::sf_error)>(library, "sf_error"),
                     symbol<decltype(&::sf_close)>(library, "sf_close")};
  if (!calls.open || !calls.readFloatFrames || !calls.error || !calls.close) return {};
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

}  // namespace quarn
