// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Highlighting for Quarn in the editor: the script's own lexer finds the tokens,
// and every style is a shade or weight of the editor's green on its dark paper.
// What lies between tokens and is not blank is a comment (or a character the
// lexer drops), shown dimmed.
// Threads: main thread only.

#include <Qsci/qscilexercustom.h>

#include <QColor>
#include <QFont>

namespace quarn {

// The editor's text colour, and the colour that marks an error.
inline constexpr const char* kQuarnGreen = "#00ff00";
inline constexpr const char* kErrorColour = "#ff3b30";

class QuarnLexer : public QsciLexerCustom {
  Q_OBJECT

public:
  enum Style { plain = 0, keyword, number, text, comment, punctuation, styleCount };

  QuarnLexer(QObject* parent, const QColor& paper, const QFont& font);

  const char* language() const override { return "Quarn"; }
  QString description(int style) const override;
  void styleText(int start, int end) override;
};

}  // namespace quarn
