// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Memory for the nodes of one parse, handed out from large blocks instead of one
// heap allocation per node. Every node's control block counts as a reference to
// the arena, so a subtree kept after the program is dropped (a stored method
// body, an async body) stays valid; the blocks go when the last node goes.
// Nodes are made on the parsing thread only; they may be released from any
// thread (the reference count is atomic).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "frontend/Ast.h"

namespace quarn {

class NodeArena {
public:
  // A new arena with one reference, held by the returned owner.
  struct Release {
    void operator()(NodeArena* arena) const { arena->release(); }
  };
  using Owner = std::unique_ptr<NodeArena, Release>;
  static Owner create() { return Owner(new NodeArena()); }

  NodeArena(const NodeArena&) = delete;
  NodeArena& operator=(const NodeArena&) = delete;

  // Parsing thread only: memory for one node's control block and value.
  void* allocate(std::size_t bytes, std::size_t alignment);
  // Any thread: the memory of one node is no longer used.
  void release() noexcept {
    if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

private:
  NodeArena() = default;
  ~NodeArena() = default;

  static constexpr std::size_t kBlockBytes = 64 * 1024;

  std::vector<std::unique_ptr<std::byte[]>> blocks_;
  std::byte* next_ = nullptr;
  std::size_t left_ = 0;
  std::atomic<std::size_t> references_{1};
};

// The allocator given to allocate_shared: it takes one arena reference per
// allocation and gives it back on deallocation.
template <class T> struct NodeArenaAllocator {
  using value_type = T;

  explicit NodeArenaAllocator(NodeArena* owner) : arena(owner) {}
  template <class U> NodeArenaAllocator(const NodeArenaAllocator<U>& other) : arena(other.arena) {}

  T* allocate(std::size_t count) { return static_cast<T*>(arena->allocate(count * sizeof(T), alignof(T))); }
  void deallocate(T*, std::size_t) noexcept { arena->release(); }

  template <class U> bool operator==(const NodeArenaAllocator<U>& other) const { return arena == other.arena; }

  NodeArena* arena;
};

template <class T> NodePtr makeArenaNode(NodeArena& arena, T node, SourceSpan span = {}) {
  return std::allocate_shared<const Node>(NodeArenaAllocator<Node>(&arena), Node{NodeVariant{std::move(node)}, span});
}

}  // namespace quarn
