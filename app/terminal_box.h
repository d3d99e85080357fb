// The terminal text box: a read-only view of TerminalText with a vertical scroll bar. It draws
// only the lines in view, straight from the text, so adding a block costs a scan of the text
// at most and never a re-layout of a document.
#pragma once

#include <QAbstractScrollArea>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "app/terminal_text.h"

class TerminalBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TerminalBox(QWidget* parent = nullptr);

  // Appends received bytes and scrolls to them.
  void AppendBytes(std::string_view bytes);
  void ClearBytes();
  // The text as received: one character per byte.
  const std::string& Bytes() const { return text_.Bytes(); }
  // The lines as shown (see RenderTerminal).
  QStringList DisplayLines() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Line {
    std::size_t begin;
    std::size_t end;  // the line break (or the end of the text)
  };
  void IndexLines();
  void UpdateScrollRange();
  int VisibleRows() const;

  TerminalText text_;
  std::vector<Line> lines_;
};
