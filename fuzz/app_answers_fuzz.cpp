// The readers of the phone's answers on arbitrary bytes: the classification by the echoed
// command, the reply text of a model or firmware query, the memo names of a listing, their
// conversion to Windows-1251, and the terminal's rendering. No crash, and the promises they make:
// a name ends in front of the first entry marker (line breaks may stay inside it: text between
// entry lines joins the next name), a conversion never grows a name, the rendering's length is what RenderedLength says, and a
// byte survives the round trip through the code page.
#include <string>
#include <string_view>

#include "app/terminal_text.h"
#include "fuzz/fuzz_input.h"
#include "phone/answer_parser.h"
#include "phone/convert_code_page.h"
#include "phone/text_scan.h"
#include "phone/windows1251.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  ClassifyAnswer(answer);
  ReplyText(answer);
  for (const std::string& name : ScanMemoNames(answer)) {
    FUZZ_CHECK(FindIgnoringCase(name, "| FRW |") == std::string::npos);
    const std::string shown = ConvertCodePage(name);
    FUZZ_CHECK(shown.size() <= name.size());
    FUZZ_CHECK(ToWindows1251(FromWindows1251(shown)) == shown);
  }
  // Any bytes, converted as a name too: the input need not be a listing.
  FUZZ_CHECK(ConvertCodePage(answer).size() <= answer.size());
  const char before = size > 0 ? static_cast<char>(data[0]) : 0;
  const std::string_view rest = size > 0 ? std::string_view(answer).substr(1) : std::string_view();
  // An LF right after the previous block's CR adds no second line break.
  const std::size_t joined = before == '\r' && !rest.empty() && rest[0] == '\n' ? 1 : 0;
  FUZZ_CHECK(static_cast<std::size_t>(RenderTerminal(rest, before).size()) == RenderedLength(rest) - joined);
  return 0;
}
