// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkbenchWindow.h"

#include <Qsci/qsciscintilla.h>

#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "app/ConsoleFeed.h"
#include "app/EditMenu.h"
#include "app/FileRender.h"
#include "app/HelpMenu.h"
#include "app/QtText.h"
#include "app/WindowSettings.h"
#include "app/RecordToggle.h"
#include "frontend/Parser.h"
#include "frontend/UnicodeText.h"
#include "support/ScriptFile.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

// The file a window opens for a name that may not exist yet.
fs::path absoluteOf(const fs::path& file) {
  std::error_code ignored;
  fs::path absolute = fs::absolute(file, ignored);
  return absolute.empty() ? file : absolute.lexically_normal();
}

const QString kScriptFilter = "Quarn scripts (*.quarn);;All files (*)";
const QString kSoundFilters[] = {"WAV audio (*.wav)", "FLAC audio (*.flac)", "Ogg Vorbis audio (*.ogg)"};
// A render reports a few lines (its warnings, then its outcome).
constexpr std::size_t kMaxRenderLines = 64;

// The extension of a sound filter: "WAV audio (*.wav)" gives ".wav".
std::string extensionOf(const QString& filter) {
  const qsizetype star = filter.indexOf("*.");
  return star < 0 ? ".wav" : filter.mid(star + 1).chopped(1).toStdString();
}

// True when the autosaved text was written after its file (or the file is gone).
bool isNewerThanFile(const AutosavedText& kept) {
  std::error_code code;
  const auto fileTime = kept.file ? fs::last_write_time(*kept.file, code) : fs::file_time_type::min();
  return code || kept.time > fileTime;
}

}  // namespace

QString unsavedChangesQuestion(const QString& name) {
  return name + " has unsaved changes. Save them first?";
}

std::string openFailedText(const fs::path& file, const std::string& reason) {
  return "Could not open " + file.string() + ": " + reason + ". Check the name and try again.";
}

std::string saveFailedText(const fs::path& file, const std::string& reason) {
  return "Could not save " + file.string() + ": " + reason + ". Use Save As to choose another place.";
}

std::string notUtf8Text(const fs::path& file, std::size_t line) {
  return "Could not open " + file.string() + ": it is not UTF-8 text (line " + std::to_string(line) +
         "), and saving it would change its bytes. Convert it to UTF-8 and open it again.";
}

WorkbenchDialogs WorkbenchDialogs::standard() {
  WorkbenchDialogs dialogs;
  dialogs.askToSave = [](QWidget* parent, const QString& question) {
    const auto answer = QMessageBox::question(parent, QString(), question,
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    return answer == QMessageBox::Save ? SaveAnswer::save
           : answer == QMessageBox::Discard ? SaveAnswer::discard
                                            : SaveAnswer::cancel;
  };
  dialogs.chooseFileToOpen = [](QWidget* parent) -> std::optional<fs::path> {
    const QString name = QFileDialog::getOpenFileName(parent, "Open", QString(), kScriptFilter);
    if (name.isEmpty()) return std::nullopt;
    return fs::path(name.toStdString());
  };
  dialogs.chooseFileToSave = [](QWidget* parent, const fs::path& suggested) -> std::optional<fs::path> {
    const QString name = QFileDialog::getSaveFileName(parent, "Save As", pathText(suggested), kScriptFilter);
    if (name.isEmpty()) return std::nullopt;
    fs::path file(name.toStdString());
    if (!file.has_extension()) file += ".quarn";
    return file;
  };
  dialogs.chooseRenderFile = [](QWidget* parent, const fs::path& suggested) -> std::optional<fs::path> {
    QString filter = kSoundFilters[0];
    const QString filters = QStringList(std::begin(kSoundFilters), std::end(kSoundFilters)).join(";;");
    const QString name = QFileDialog::getSaveFileName(parent, "Render to File", pathText(suggested), filters, &filter);
    if (name.isEmpty()) return std::nullopt;
    fs::path file(name.toStdString());
    if (!file.has_extension()) file += extensionOf(filter);
    return file;
  };
  dialogs.chooseLeftover = [](QWidget* parent, const QStringList& leftovers) -> std::optional<int> {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, "Recover", "Autosaved scripts of windows that did not close:",
                                                 leftovers, 0, false, &ok);
    if (!ok) return std::nullopt;
    return static_cast<int>(leftovers.indexOf(chosen));
  };
  dialogs.chooseRecordFile = &chooseRecordFileByDialog;
  return dialogs;
}

WorkbenchWindow::WorkbenchWindow(std::shared_ptr<EngineManager> engine, fs::path sessionFolder,
                                 WorkbenchDialogs dialogs)
    : view_(new ContentView(std::move(engine), this)),
      session_(sessionFolder),
      sessionFolder_(std::move(sessionFolder)),
      dialogs_(std::move(dialogs)),
      savedText_(toQString(kInitialSourceCode)),
      autosave_(session_.autosaveFolder()),
      autosaveTimer_(new QTimer(this)),
      renderFeed_(std::make_shared<ConsoleFeed>(this, kMaxRenderLines, [this] { takeRenderLines(); })) {
  record_ = new RecordToggle(view_->engine(), this, dialogs_.chooseRecordFile,
                             [this](const std::string& line) { view_->addConsoleLine(line); });
  connect(record_, &RecordToggle::changed, this, &WorkbenchWindow::updateTitle);
  setCentralWidget(view_);
  buildFileMenu();
  addEditMenu(this, view_->widgets());
  addHelpMenu(this, view_->widgets().editor, [this](const std::string& text) { newScript(text); });
  resize(kWindowWidth, kWindowHeight);
  restoreWindowLayout(this, view_->widgets().splitter, sessionFolder_);
  connect(view_->widgets().editor, &QsciScintilla::textChanged, this, &WorkbenchWindow::textChanged);
  connect(view_, &ContentView::runningChanged, this, &WorkbenchWindow::updateTitle);
  connect(view_, &ContentView::halted, this, [this] {
    if (renderHalt_) renderHalt_->store(true);
  });
  connect(autosaveTimer_, &QTimer::timeout, this, [this] {
    if (isAutosaveDue_) autosave();
  });
  autosaveTimer_->start(kAutosaveInterval);
  connect(autosaveTimer_, &QTimer::timeout, this, &WorkbenchWindow::updateTitle);  // a device lost or back
  updateTitle();
}

// A render still going finishes on its own; its lines are dropped.
WorkbenchWindow::~WorkbenchWindow() { renderFeed_->detach(); }

void WorkbenchWindow::buildFileMenu() {
  QMenu* menu = menuBar()->addMenu("&File");
  menu->addAction("&New", QKeySequence::New, this, [this] { newScript(); });
  menu->addAction("&Open…", QKeySequence::Open, this, [this] { open(); });
  QMenu* recent = menu->addMenu("Open &Recent");
  connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
  menu->addAction("&Save", QKeySequence::Save, this, [this] { save(); });
  menu->addAction("Save &As…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this, [this] { saveAs(); });
  menu->addAction("Re&cover…", this, [this] { recover(); });
  menu->addSeparator();
  renderAction_ = menu->addAction("Render to &File…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this,
                                  [this] { renderToFile(); });
  menu->addAction(record_->action());
  menu->addSeparator();
  menu->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });
  // shortcuts of a hidden menu bar still fire; the editor must not eat them
  for (QAction* action : menu->actions()) action->setShortcutContext(Qt::WindowShortcut);
}

void WorkbenchWindow::fillRecentMenu(QMenu* menu) {
  menu->clear();
  for (const fs::path& file : session_.recentFiles())
    menu->addAction(pathText(file), this, [this, file] {
      if (mayDiscardScript()) openFile(file);
    });
  if (menu->isEmpty()) menu->addAction("No recent files")->setEnabled(false);
}

bool WorkbenchWindow::hasUnsavedChanges() const { return view_->widgets().editor->text() != savedText_; }

void WorkbenchWindow::startWith(const std::optional<fs::path>& file) {
  if (!file) {
    const std::vector<AutosavedText> leftovers = autosaveLeftovers(session_.autosaveFolder());
    if (!leftovers.empty() && takeLeftover(leftovers.front(), restoredText(leftovers.front()))) return;
  }
  const std::optional<fs::path> wanted = file ? std::optional(absoluteOf(*file)) : session_.lastFile();
  std::error_code code;
  if (!wanted || (!file && !fs::exists(*wanted, code))) return;
  if (!fs::exists(*wanted, code)) {
    setScript("", wanted, "");  // a new script: saving creates the file
    return;
  }
  openFile(*wanted);
}

// The editor takes the script, and the window the script's autosave slot: what
// that slot kept from before wins when it is newer than the file.
void WorkbenchWindow::setScript(const std::string& text, std::optional<fs::path> file, const std::string& savedText) {
  const std::optional<AutosavedText> kept = autosave_.moveTo(file);
  file_ = std::move(file);
  savedText_ = toQString(savedText);
  session_.setLastFile(file_);
  const bool restores = kept && kept->text != text && isNewerThanFile(*kept);
  view_->setSourceCode(restores ? kept->text : text);
  if (restores) view_->addConsoleLine(restoredText(*kept));
  isAutosaveDue_ = true;
  updateTitle();
}

bool WorkbenchWindow::takeLeftover(const AutosavedText& leftover, const std::string& line) {
  if (!autosave_.adopt(leftover)) return false;  // another window took it first
  std::string error;
  file_ = leftover.file;
  savedText_ = toQString(file_ ? readScriptFile(*file_, error).value_or("") : "");
  view_->setSourceCode(leftover.text);
  view_->addConsoleLine(line);
  isAutosaveDue_ = true;
  updateTitle();
  return true;
}

bool WorkbenchWindow::recover() {
  const std::vector<AutosavedText> leftovers = autosaveLeftovers(session_.autosaveFolder());
  if (leftovers.empty()) {
    view_->addConsoleLine(std::string(kNothingToRecoverLine));
    return false;
  }
  QStringList labels;
  for (const AutosavedText& leftover : leftovers) labels << toQString(leftoverLabel(leftover));
  const std::optional<int> chosen = dialogs_.chooseLeftover(this, labels);
  if (!chosen || *chosen < 0 || *chosen >= labels.size() || !mayDiscardScript()) return false;
  const AutosavedText& leftover = leftovers[static_cast<std::size_t>(*chosen)];
  return takeLeftover(leftover, recoveredText(leftover));
}

bool WorkbenchWindow::mayDiscardScript() {
  if (!hasUnsavedChanges()) return true;
  const QString name = file_ ? pathText(file_->filename()) : toQString(kUntitledName);
  switch (dialogs_.askToSave(this, unsavedChangesQuestion(name))) {
    case SaveAnswer::save:
      return save();
    case SaveAnswer::discard:
      return true;
    case SaveAnswer::cancel:
      return false;
  }
  return false;
}

bool WorkbenchWindow::newScript(const std::string& text) {
  if (!mayDiscardScript()) return false;
  setScript(text, std::nullopt, text);
  return true;
}

bool WorkbenchWindow::open() {
  if (!mayDiscardScript()) return false;
  const auto file = dialogs_.chooseFileToOpen(this);
  return file && openFile(*file);
}

bool WorkbenchWindow::openFile(const fs::path& file) {
  std::string error;
  const auto text = readScriptFile(file, error);
  if (!text) {
    view_->addConsoleLine(openFailedText(file, error));
    return false;
  }
  if (!isValidUtf8(*text)) {  // the editor would show it changed, and a save would write the change
    const std::string valid = toValidUtf8(*text);
    const auto bad = std::ranges::mismatch(*text, valid).in1 - text->begin();
    view_->addConsoleLine(notUtf8Text(file, lineOfOffset(*text, static_cast<std::size_t>(bad))));
    return false;
  }
  setScript(*text, absoluteOf(file), *text);
  session_.addRecentFile(*file_);
  return true;
}

bool WorkbenchWindow::save() { return file_ ? saveTo(*file_) : saveAs(); }

bool WorkbenchWindow::saveAs() {
  const fs::path suggested = file_ ? *file_ : fs::path(std::string(kUntitledName) + ".quarn");
  const auto file = dialogs_.chooseFileToSave(this, suggested);
  return file && saveTo(*file);
}

bool WorkbenchWindow::saveTo(const fs::path& file) {
  const std::string text = view_->sourceCode();
  std::string error;
  if (!writeScriptFile(file, text, error)) {
    view_->addConsoleLine(saveFailedText(file, error));
    return false;
  }
  file_ = absoluteOf(file);
  savedText_ = toQString(text);
  autosave_.moveTo(file_);  // what the old slot kept is in the file now
  session_.setLastFile(file_);
  session_.addRecentFile(*file_);
  autosave();
  updateTitle();
  return true;
}

bool WorkbenchWindow::isRendering() const { return !renderAction_->isEnabled(); }

bool WorkbenchWindow::renderToFile() {
  if (isRendering()) return false;
  fs::path suggested = file_ ? *file_ : fs::path("untitled.wav");
  suggested.replace_extension(".wav");
  const auto output = dialogs_.chooseRenderFile(this, suggested);
  if (!output) return false;
  std::string source = view_->sourceCode();
  const ParseResult parsed = checkSyntax(source);  // the render parses again on its own thread
  if (!parsed.ok()) {
    view_->addParseError(parsed.error, parsed.errorLocation);
    return false;
  }
  // A thread without a line route: the script's lines stay out of the console's run.
  // Quitting during a render leaves at once (QuarnApp::finish).
  try {
    renderHalt_ = std::make_shared<std::atomic<bool>>(false);
    std::thread([feed = renderFeed_, halt = renderHalt_, source = std::move(source), output = *output] {
      for (std::string& line : renderScriptToFile(source, output, halt.get())) feed->push({0, std::move(line)});
      feed->pushRunEnd(0);
    }).detach();
  } catch (const std::system_error& error) {
    view_->addConsoleLine(renderNotStartedText(error.what()));
    return false;
  }
  renderAction_->setEnabled(false);
  view_->addConsoleLine(renderStartedText(*output));
  return true;
}

void WorkbenchWindow::takeRenderLines() {
  ConsoleBatch batch = renderFeed_->take();
  for (const ConsoleLine& line : batch.lines) view_->addConsoleLine(line.text);
  if (!batch.endedRuns.empty()) renderAction_->setEnabled(true);
}

void WorkbenchWindow::autosave() {
  std::string error;
  bool saved = true;
  if (hasUnsavedChanges()) saved = autosave_.save(view_->sourceCode(), error);
  else autosave_.clear();  // the file has it all
  isAutosaveDue_ = !saved;  // the timer tries again
  const bool wasFailing = std::exchange(isAutosaveFailing_, !saved);
  if (wasFailing == isAutosaveFailing_) return;  // said once, until it changes
  if (!saved) view_->addConsoleLine(autosaveFailedText(autosave_.folder(), error));
  updateTitle();
}

void WorkbenchWindow::textChanged() {
  isAutosaveDue_ = true;
  updateTitle();
}

void WorkbenchWindow::updateTitle() {
  QString title = (file_ ? pathText(file_->filename()) : toQString(kUntitledName)) + "[*]";
  if (view_->isRunning()) title += QString(" — ") + toQString(kRunningTitle);
  if (record_->isRecording()) title += QString(" — ") + record_->titleText();
  if (view_->isVisible() && !view_->engine()->hasDevice()) title += QString(" — ") + toQString(kNoDeviceTitle);
  if (isAutosaveFailing_) title += QString(" — ") + toQString(kAutosaveFailedTitle);
  setWindowTitle(title);
  setWindowModified(hasUnsavedChanges());
}

void WorkbenchWindow::closeEvent(QCloseEvent* event) {
  if (!mayDiscardScript()) {
    event->ignore();
    return;
  }
  autosave_.clear();  // the user saved the text or gave it up
  autosaveTimer_->stop();
  saveWindowLayout(this, view_->widgets().splitter, sessionFolder_);
  record_->stop();
  view_->engine()->halt();  // runs still going stop at their next statement
  QMainWindow::closeEvent(event);
}

}  // namespace quarn
