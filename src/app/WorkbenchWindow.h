// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workbench's window: the root view (ContentView) under a File menu, the
// script's file with its unsaved-changes mark, and the session kept between
// starts. The title names the file, marks unsaved changes, and says when runs
// are going, when it records and when there is no audio device.
// Threads: main thread only.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include "app/Autosave.h"
#include "app/ContentView.h"
#include "app/ScriptSession.h"

class QAction;
class QCloseEvent;
class QMenu;
class QTimer;

namespace quarn {

class ConsoleFeed;
class RecordToggle;

inline constexpr std::string_view kUntitledName = "Untitled";
inline constexpr std::string_view kRunningTitle = "running";
inline constexpr std::string_view kNoDeviceTitle = "no audio device: runs are silent";
inline constexpr std::string_view kAutosaveFailedTitle = "autosave failing";

// The question before unsaved changes would be lost.
QString unsavedChangesQuestion(const QString& name);
// Console lines when a file cannot be opened or saved.
std::string openFailedText(const std::filesystem::path& file, const std::string& reason);
std::string saveFailedText(const std::filesystem::path& file, const std::string& reason);
// A file the editor could not show byte for byte: saving it would change it.
std::string notUtf8Text(const std::filesystem::path& file, std::size_t line);

enum class SaveAnswer { save, discard, cancel };

// The window's questions to the user; tests answer them without a dialog.
struct WorkbenchDialogs {
  std::function<SaveAnswer(QWidget* parent, const QString& question)> askToSave;
  std::function<std::optional<std::filesystem::path>(QWidget* parent)> chooseFileToOpen;
  std::function<std::optional<std::filesystem::path>(QWidget* parent, const std::filesystem::path& suggested)>
      chooseFileToSave;
  // Where "Render to File…" writes; its extension picks the sound format.
  std::function<std::optional<std::filesystem::path>(QWidget* parent, const std::filesystem::path& suggested)>
      chooseRenderFile;
  // Which of the autosaved texts File ▸ Recover… takes back (their labels).
  std::function<std::optional<int>(QWidget* parent, const QStringList& leftovers)> chooseLeftover;
  // Where Record writes; .wav or .flac.
  std::function<std::optional<std::filesystem::path>(QWidget* parent, const std::filesystem::path& suggested)>
      chooseRecordFile;

  static WorkbenchDialogs standard();
};

class WorkbenchWindow : public QMainWindow {
  Q_OBJECT

public:
  WorkbenchWindow(std::shared_ptr<EngineManager> engine, std::filesystem::path sessionFolder,
                  WorkbenchDialogs dialogs = WorkbenchDialogs::standard());
  ~WorkbenchWindow() override;

  ContentView& view() const { return *view_; }
  RecordToggle& recordToggle() const { return *record_; }
  const std::optional<std::filesystem::path>& file() const { return file_; }
  bool hasUnsavedChanges() const;

  // At start: file when given (a name that does not exist yet starts it empty),
  // otherwise what an untitled window left unsaved when it ended without
  // closing, otherwise the last file shown, otherwise the default script. A
  // file's autosaved text comes back when it is newer than the file.
  void startWith(const std::optional<std::filesystem::path>& file);

  // The File menu's actions; each returns false when it did not happen.
  // A new script is untitled; text (an example's) is its unchanged start.
  bool newScript(const std::string& text = {});
  bool open();
  bool openFile(const std::filesystem::path& file);
  bool save();
  bool saveAs();
  bool saveTo(const std::filesystem::path& file);
  // Offers the texts of windows that ended without closing; false when none was taken.
  bool recover();
  // Renders the editor's text to a file chosen by the user, on a thread of its
  // own; its lines reach the console when it ends. One render at a time.
  bool renderToFile();
  bool isRendering() const;
  // Saves the editor's text to its autosave slot now (or drops the slot's
  // text when the file has it all); a failure is said once until it mends.
  void autosave();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void buildFileMenu();
  void fillRecentMenu(QMenu* menu);
  // Asks about unsaved changes; true when it is fine to replace the script.
  bool mayDiscardScript();
  void setScript(const std::string& text, std::optional<std::filesystem::path> file, const std::string& savedText);
  void updateTitle();
  void textChanged();
  void takeRenderLines();
  bool takeLeftover(const AutosavedText& leftover, const std::string& line);

  ContentView* view_;
  const ScriptSession session_;
  const std::filesystem::path sessionFolder_;
  const WorkbenchDialogs dialogs_;
  std::optional<std::filesystem::path> file_;
  QString savedText_;  // the text as the file (or the default script) has it
  AutosaveSlot autosave_;
  bool isAutosaveDue_ = false;
  bool isAutosaveFailing_ = false;
  QTimer* autosaveTimer_;
  QAction* renderAction_ = nullptr;
  RecordToggle* record_;
  // The render thread holds this feed, never the window (see ConsoleFeed).
  const std::shared_ptr<ConsoleFeed> renderFeed_;
  std::shared_ptr<std::atomic<bool>> renderHalt_;  // the render going, if any, stops when set
};

}  // namespace quarn
