// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libsndfile, loaded on the first decode instead of at start-up (it pulls in
// the codec libraries, which commands that play nothing should not pay for).
// The calls the decoder and the render's writer make, with libsndfile's signatures. When the
// library cannot be loaded, sndfileOpen fails and the others do nothing.
// Callable from any thread.

#include <sndfile.h>

namespace quarn {

SNDFILE* sndfileOpen(const char* path, int mode, SF_INFO* info);
sf_count_t sndfileReadFloatFrames(SNDFILE* file, float* frames, sf_count_t count);
int sndfileError(SNDFILE* file);
int sndfileClose(SNDFILE* file);
sf_count_t sndfileWriteFloatFrames(SNDFILE* file, const float* frames, sf_count_t count);
int sndfileCommand(SNDFILE* file, int command, void* data, int size);
const char* sndfileErrorText(SNDFILE* file);

}  // namespace quarn
