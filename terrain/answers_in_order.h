// The host program and the module ask about the vessels in the same order, the host's index
// order: the program about the free vessels that moved, just before the module's step, the
// module about all of them in its step. Within a step the library keeps the answers it gave
// the program in the order given, and compares the module's question first with the next of
// them; what the program did not ask about (a vessel that has not moved), with the module's
// question at the same turn of the step before. Both are walks through memory that the
// processor runs ahead of, where the memo's hashed table costs a trip to main memory for each
// of ten thousand vessels. Neither changes an answer: a question is answered from them only
// when its position is the very same.
#pragma once

#include "host/orbiter_api.h"
#include "terrain/query_memo.h"

namespace terrain {

class AnswersInOrder {
 public:
  // A step begins: the program's questions of the step before are spent, and the module's
  // first question will be compared with its first of the step before.
  void StepBegins() { host_count_ = host_next_ = turn_ = 0; }
  // Forgets everything: for when the relief changes.
  void Forget() { host_count_ = host_next_ = turn_ = kept_turns_ = 0; }

  void NoteHostAnswer(const VECTOR3 &pos_rel_body, double radius_m) {
    if (host_count_ < kAnswers) host_[host_count_++] = RememberedAnswer::Of(pos_rel_body, radius_m);
  }

  // The module's question: answered from the program's next answer or this turn's of the
  // step before when the position is the same, else by `answer`; kept for this turn of the
  // next step.
  template <typename Answer>
  double ModuleRadius(const VECTOR3 &pos_rel_body, const Answer &answer) {
    double radius_m;
    if (host_next_ < host_count_ && host_[host_next_].Answers(pos_rel_body, radius_m)) {
      ++host_next_;
    } else if (turn_ < kept_turns_ && turns_[turn_].Answers(pos_rel_body, radius_m)) {
      ++turn_;
      return radius_m;
    } else {
      radius_m = answer(pos_rel_body);
    }
    if (turn_ < kAnswers) {
      turns_[turn_] = RememberedAnswer::Of(pos_rel_body, radius_m);
      if (turn_ == kept_turns_) ++kept_turns_;
      ++turn_;
    }
    return radius_m;
  }

 private:
  static constexpr unsigned kAnswers = 16384;  // each table 512 KiB; a run has 10 000 vessels

  RememberedAnswer host_[kAnswers];
  RememberedAnswer turns_[kAnswers];
  unsigned host_count_ = 0, host_next_ = 0;
  unsigned turn_ = 0;
  unsigned kept_turns_ = 0;  // turns answered since the relief was set: the rest hold nothing
};

}  // namespace terrain
