// The receive path on arbitrary blocks as the poll hands them over: each block goes to the
// terminal's text and to the answer, which reads only the new bytes. After every block the
// answer must read exactly what the whole-answer functions read from all of it (completion, kind,
// reply, memo names), and the terminal keeps within its cap.
#include <string>

#include "app/terminal_text.h"
#include "fuzz/fuzz_input.h"
#include "phone/answer_assembly.h"
#include "phone/text_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Chunks chunks(data, size);
  AnswerAssembly answer;
  TerminalText terminal;
  const std::uint8_t* bytes;
  std::size_t len;
  while (chunks.next(bytes, len)) {
    const std::string_view block(reinterpret_cast<const char*>(bytes), len);
    terminal.Append(block);
    answer.Append(block);
    FUZZ_CHECK(terminal.Bytes().size() <= TerminalText::kCap);
    const std::string& text = answer.Text();
    FUZZ_CHECK(answer.Complete() == Contains(text, kAnswerComplete));
    FUZZ_CHECK(answer.Kind() == ClassifyAnswer(text));
    FUZZ_CHECK(answer.Reply() == ReplyText(text));
    // The incremental listing starts once the echo's 26 characters are there.
    if (TrimSpaces(text).size() >= 26) FUZZ_CHECK(answer.MemoNames() == ScanMemoNames(text));
  }
  return 0;
}
