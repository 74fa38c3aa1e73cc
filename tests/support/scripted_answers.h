// The job's questions answered from a script: each question is recorded as
// it was asked (its code and arguments) and answered with the next answer
// queued; with none left, Cancel, so that a job never goes on by default.
#pragma once

#include <deque>
#include <vector>

#include "job/questions.h"

namespace trivex::sim {

class ScriptedAnswers : public job::Questions {
public:
    // The next answers, in order: true for OK, false for Cancel.
    void queue(std::initializer_list<bool> answers) { answers_.insert(answers_.end(), answers); }
    bool agree(const job::Question& question) override {
        asked_.push_back(question);
        if (answers_.empty()) return false;
        const bool ok = answers_.front();
        answers_.pop_front();
        return ok;
    }
    const std::vector<job::Question>& asked() const { return asked_; }
    size_t unanswered() const { return answers_.size(); }

private:
    std::deque<bool> answers_;
    std::vector<job::Question> asked_;
};

}  // namespace trivex::sim
