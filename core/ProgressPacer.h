#pragma once
// When a long piece of work tells how far it has got: a short one never
// does (a flash of progress would only distract), a long one first after
// `firstAfterMs` and then at most every `everyMs`, so that telling costs
// little beside the work.
#include <QtGlobal>

class ProgressPacer {
  public:
    explicit ProgressPacer(qint64 firstAfterMs = 300, qint64 everyMs = 100)
        : firstAfterMs_(firstAfterMs), everyMs_(everyMs) {}
    // True when the work, `elapsedMs` into it, should tell now.
    bool Due(qint64 elapsedMs);
    // True once it has told anything: its end is then told too.
    bool Told() const { return lastMs_ >= 0; }

  private:
    qint64 firstAfterMs_, everyMs_;
    qint64 lastMs_ = -1;
};
