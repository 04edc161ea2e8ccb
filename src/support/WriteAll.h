// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a whole buffer to a file descriptor. Called from any thread.

#include <cstddef>

namespace quarn {

// Writes all of data, going on after partial writes and interrupted calls;
// false (errno set) when the descriptor takes no more, such as a closed pipe.
bool writeAll(int fd, const char* data, std::size_t size);

}  // namespace quarn
