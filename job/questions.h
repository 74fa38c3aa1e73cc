// What a job asks the user before it goes on: through this interface, so
// that the same job runs with any answerer (the window's message boxes, a
// test's script of answers).
#pragma once

#include "platform/machine.h"

namespace trivex::job {

class Questions {
public:
    virtual ~Questions() = default;
    // The question, with OK and Cancel: true when the user chose OK.
    virtual bool agree(const Text& question) = 0;
};

}  // namespace trivex::job
