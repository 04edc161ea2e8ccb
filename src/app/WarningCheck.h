// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Warnings while typing: after a pause in typing (kWarningPause) the warning
// look runs over the text as it then stands, on a thread of its own, one look
// at a time. Its warnings reach onWarnings on the main thread, and only while
// the text is still the one looked at.
// Threads: main thread only (the look itself runs on its own thread).

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "interp/ScriptWarnings.h"

class QTimer;

namespace quarn {

inline constexpr std::chrono::milliseconds kWarningPause{500};

class WarningCheck : public QObject {
public:
  using WarningsFound = std::function<void(std::vector<ScriptWarning>)>;
  // text gives the editor's text; bundledSounds are the names play: finds.
  WarningCheck(std::function<std::string()> text, std::vector<std::string> bundledSounds, WarningsFound onWarnings,
               QObject* parent);
  // Waits for a look under way (a look takes milliseconds).
  ~WarningCheck() override;

  // The text changed: the pause starts again, and a look of the older text is
  // not shown.
  void textChanged();

private:
  void startLook();
  void lookEnded(std::uint64_t generation, std::vector<ScriptWarning> warnings);

  const std::function<std::string()> text_;
  const std::shared_ptr<const std::vector<std::string>> bundledSounds_;
  const WarningsFound onWarnings_;
  QTimer* pause_;
  std::thread look_;
  bool isLooking_ = false;
  bool isLookDue_ = false;       // the text changed during a look and its pause is over
  std::uint64_t generation_ = 0;  // counts changes of the text
};

}  // namespace quarn
