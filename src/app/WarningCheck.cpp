// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WarningCheck.h"

#include <QMetaObject>
#include <QTimer>

#include <new>

#include "frontend/Parser.h"

namespace quarn {
namespace {

// A text that does not parse has no warnings: the run would show its parse error.
std::vector<ScriptWarning> lookAt(const std::string& text, const std::vector<std::string>& bundledSounds) {
  try {
    const ParseResult parsed = parseScript(text);
    if (!parsed.ok()) return {};
    return findScriptWarnings(*parsed.program, bundledSounds);
  } catch (const std::bad_alloc&) {
    return {};  // warnings are a help; a run would report the shortage itself
  }
}

}  // namespace

WarningCheck::WarningCheck(std::function<std::string()> text, std::vector<std::string> bundledSounds,
                           WarningsFound onWarnings, QObject* parent)
    : QObject(parent),
      text_(std::move(text)),
      bundledSounds_(std::make_shared<const std::vector<std::string>>(std::move(bundledSounds))),
      onWarnings_(std::move(onWarnings)),
      pause_(new QTimer(this)) {
  pause_->setSingleShot(true);
  pause_->setInterval(kWarningPause);
  connect(pause_, &QTimer::timeout, this, [this] {
    if (isLooking_) {
      isLookDue_ = true;
    } else {
      startLook();
    }
  });
}

WarningCheck::~WarningCheck() {
  if (look_.joinable()) look_.join();
}

void WarningCheck::textChanged() {
  ++generation_;
  pause_->start();
}

void WarningCheck::startLook() {
  if (look_.joinable()) look_.join();  // ended: its result was delivered
  isLooking_ = true;
  isLookDue_ = false;
  try {
    look_ = std::thread([this, text = text_(), sounds = bundledSounds_, generation = generation_] {
      std::vector<ScriptWarning> warnings = lookAt(text, *sounds);
      QMetaObject::invokeMethod(
          this, [this, generation, warnings = std::move(warnings)]() mutable {
            lookEnded(generation, std::move(warnings));
          },
          Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    isLooking_ = false;  // no thread now: the next pause tries again
  }
}

void WarningCheck::lookEnded(std::uint64_t generation, std::vector<ScriptWarning> warnings) {
  isLooking_ = false;
  if (generation == generation_) onWarnings_(std::move(warnings));
  if (isLookDue_) startLook();
}

}  // namespace quarn
