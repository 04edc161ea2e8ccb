// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Edit menu: comment toggling (Ctrl+/), completion (Ctrl+Space), and the
// find bar under the editor (Ctrl+F, F3, Shift+F3, Ctrl+H). The editor's own
// bindings of those keys give way.
// Threads: main thread only.

class QMainWindow;

namespace quarn {

struct WorkbenchWidgets;

void addEditMenu(QMainWindow* window, const WorkbenchWidgets& widgets);

}  // namespace quarn
