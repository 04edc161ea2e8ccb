// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsolePlaces.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QWidget>

namespace quarn {
namespace {

// Space between a line's end and its place.
constexpr int kPlaceGap = 12;
// How faint the place is against the console's text (alpha of 255).
constexpr int kPlaceAlpha = 110;

struct PlaceData : QTextBlockUserData {
  explicit PlaceData(const SourceLocation& at) : where(at) {}
  SourceLocation where;
};

// Drawn over the viewport rather than in it: the viewport scrolls its children
// along with the text.
class PlaceOverlay : public QWidget {
public:
  PlaceOverlay(QPlainTextEdit* console) : QWidget(console), console_(console) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setFont(console_->font());
    QColor dim = console_->palette().color(QPalette::Text);
    dim.setAlpha(kPlaceAlpha);
    painter.setPen(dim);
    for (QTextBlock block = console_->cursorForPosition(QPoint(0, 0)).block(); block.isValid();
         block = block.next()) {
      QTextCursor end(block);
      end.movePosition(QTextCursor::EndOfBlock);
      const QRect line = console_->cursorRect(end);
      if (line.top() > height()) break;
      if (const auto where = ConsolePlaces::placeOf(block)) {
        painter.drawText(QRect(line.right() + kPlaceGap, line.top(), width(), line.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, placeText(*where));
      }
    }
  }

private:
  QPlainTextEdit* console_;
};

}  // namespace

QString placeText(const SourceLocation& where) { return QString("line %1").arg(where.line); }

ConsolePlaces::ConsolePlaces(QPlainTextEdit* console)
    : QObject(console), console_(console), overlay_(new PlaceOverlay(console)) {
  overlay_->setGeometry(console->viewport()->geometry());
  console->viewport()->installEventFilter(this);
  connect(console, &QPlainTextEdit::updateRequest, overlay_, [this] { overlay_->update(); });
  connect(console->horizontalScrollBar(), &QScrollBar::valueChanged, overlay_, [this] { overlay_->update(); });
}

void ConsolePlaces::setPlace(const QTextBlock& block, const SourceLocation& where) {
  QTextBlock(block).setUserData(new PlaceData(where));
}

std::optional<SourceLocation> ConsolePlaces::placeOf(const QTextBlock& block) {
  if (const auto* data = dynamic_cast<const PlaceData*>(block.userData())) return data->where;
  return std::nullopt;
}

// A click, not the end of a selection, on a line with a place.
bool ConsolePlaces::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
    overlay_->setGeometry(console_->viewport()->geometry());
    overlay_->raise();
  } else if (event->type() == QEvent::MouseButtonRelease) {
    const auto* click = static_cast<QMouseEvent*>(event);
    if (click->button() == Qt::LeftButton && !console_->textCursor().hasSelection()) {
      if (const auto where = placeOf(console_->cursorForPosition(click->position().toPoint()).block()))
        emit placeClicked(*where);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quarn
