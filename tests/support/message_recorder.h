// Records the tool's messages instead of showing them, for as long as it lives.
#pragma once

#include <QString>
#include <vector>

#include "ui/message_box.h"

namespace test_support {

struct RecordedMessage {
  MessageIcon icon;
  QString text;
};

class MessageRecorder {
 public:
  MessageRecorder()
      : previous_(SetMessageHandler([this](MessageIcon icon, const QString& text) { messages.push_back({icon, text}); })) {}
  ~MessageRecorder() { SetMessageHandler(previous_); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // The one message's text, or how many there were.
  QString Only() const { return messages.size() == 1 ? messages[0].text : QString("<%1 messages>").arg(messages.size()); }

  std::vector<RecordedMessage> messages;

 private:
  MessageHandler previous_;
};

}  // namespace test_support
