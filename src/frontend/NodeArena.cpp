// SPDX-License-Identifier: GPL-3.0-or-later
// Bump allocation of node memory in 64 KiB blocks.

#include "frontend/NodeArena.h"

namespace quarn {

void* NodeArena::allocate(std::size_t bytes, std::size_t alignment) {
  std::size_t padding = reinterpret_cast<std::uintptr_t>(next_) % alignment;
  if (padding != 0) padding = alignment - padding;
  if (next_ == nullptr || padding + bytes > left_) {
    const std::size_t size = bytes + alignment > kBlockBytes ? bytes + alignment : kBlockBytes;
    blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
    next_ = blocks_.back().get();
    left_ = size;
    padding = reinterpret_cast<std::uintptr_t>(next_) % alignment;
    if (padding != 0) padding = alignment - padding;
  }
  std::byte* memory = next_ + padding;
  next_ = memory + bytes;
  left_ -= padding + bytes;
  // relaxed: the count only has to reach zero after every node is gone,
  // and the parser's own reference keeps it above zero while nodes are made
  references_.fetch_add(1, std::memory_order_relaxed);
  return memory;
}

}  // namespace quarn
