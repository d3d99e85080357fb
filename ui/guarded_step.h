// Steps that run with their errors ignored: a step that throws is skipped and the next one runs,
// and nothing escapes into the event loop.
#pragma once

template <typename Step>
void GuardedStep(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}
