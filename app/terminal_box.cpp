#include "app/terminal_box.h"

#include <QPainter>
#include <QScrollBar>

TerminalBox::TerminalBox(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  IndexLines();
}

void TerminalBox::AppendBytes(std::string_view bytes) {
  if (bytes.empty()) return;
  text_.Append(bytes);
  IndexLines();
  UpdateScrollRange();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

void TerminalBox::ClearBytes() {
  text_.Clear();
  IndexLines();
  UpdateScrollRange();
  viewport()->update();
}

// CR LF, a lone CR and a lone LF each end a line.
void TerminalBox::IndexLines() {
  const std::string& text = text_.Bytes();
  lines_.clear();
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines_.push_back({begin, i});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  lines_.push_back({begin, text.size()});
}

QStringList TerminalBox::DisplayLines() const {
  QStringList shown;
  const std::string_view text = text_.Bytes();
  for (const Line& line : lines_) shown << RenderTerminal(text.substr(line.begin, line.end - line.begin));
  return shown;
}

int TerminalBox::VisibleRows() const {
  return std::max(1, viewport()->height() / std::max(1, fontMetrics().lineSpacing()));
}

void TerminalBox::UpdateScrollRange() {
  const int rows = VisibleRows();
  verticalScrollBar()->setPageStep(rows);
  verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(lines_.size()) - rows));
}

void TerminalBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void TerminalBox::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Text));
  const QFontMetrics metrics = fontMetrics();
  const std::string_view text = text_.Bytes();
  const auto first = static_cast<std::size_t>(verticalScrollBar()->value());
  const std::size_t last = std::min(lines_.size(), first + static_cast<std::size_t>(VisibleRows()) + 1);
  int baseline = metrics.ascent();
  for (std::size_t row = first; row < last; ++row, baseline += metrics.lineSpacing()) {
    const Line& line = lines_[row];
    painter.drawText(2, baseline, RenderTerminal(text.substr(line.begin, line.end - line.begin)));
  }
}
