// What a job asks the user before it goes on: through this interface, so
// that the same job runs with any answerer (the window's message boxes, a
// test's script of answers).
#pragma once

#include "platform/problem.h"

namespace trivex::job {

// A question is told the way a problem is: a code and its arguments (the
// catalogue has its words). Two questions are the same when those are.
using Question = Problem;

class Questions {
public:
    virtual ~Questions() = default;
    // The question, with OK and Cancel: true when the user chose OK.
    virtual bool agree(const Question& question) = 0;
};

}  // namespace trivex::job
