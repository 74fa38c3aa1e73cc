// UTF-8 source text to the GBK bytes the program writes out.
#pragma once

#include <string>

#include "bytes.h"

namespace trivex::tools {

// False, with a message, when the text is not valid UTF-8 or holds a
// character that GBK cannot encode.
bool utf8ToGbk(const Bytes& utf8, Bytes& gbk, std::string& err);

}  // namespace trivex::tools
