// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/Sends.h"

#include <array>
#include <string_view>

namespace quarn {

namespace {

template <class Id>
struct NamedId {
  std::string_view name;
  Id id;
};

constexpr std::array<NamedId<ReceiverId>, 3> kReceivers{{
    {"self", ReceiverId::self},
    {"sampler", ReceiverId::sampler},
    {"tb303", ReceiverId::tb303},
}};

constexpr std::array<NamedId<SelectorId>, 11> kSelectors{{
    {"wait:", SelectorId::wait},
    {"play:", SelectorId::playFile},
    {"setRate:", SelectorId::setRate},
    {"setFrequency:", SelectorId::setFrequency},
    {"setCutoff:", SelectorId::setCutoff},
    {"setResonance:", SelectorId::setResonance},
    {"setDecay:", SelectorId::setDecay},
    {"setAccent:", SelectorId::setAccent},
    {"setSlide:", SelectorId::setSlide},
    {"release", SelectorId::release},
    {"play", SelectorId::play},
}};

template <class Id, std::size_t N>
Id idOf(const std::array<NamedId<Id>, N>& table, std::string_view name, Id otherwise) {
  for (const NamedId<Id>& entry : table) {
    if (entry.name == name) return entry.id;
  }
  return otherwise;
}

}  // namespace

std::vector<std::string_view> receiverNames() {
  std::vector<std::string_view> names;
  for (const NamedId<ReceiverId>& entry : kReceivers) names.push_back(entry.name);
  return names;
}

std::string_view selectorName(SelectorId selector) {
  for (const NamedId<SelectorId>& entry : kSelectors) {
    if (entry.id == selector) return entry.name;
  }
  return {};
}

void resolveSend(MethodCallNode& call) {
  call.receiverId = idOf(kReceivers, call.receiver.name, ReceiverId::unknown);
  call.selectorId = idOf(kSelectors, call.methodName, SelectorId::other);
  call.functionName.clear();
  if (!callsMethod(call)) return;
  for (char c : call.methodName) {
    if (c != ':') call.functionName.push_back(c);
  }
}

}  // namespace quarn
