#include "gbk.h"

#include <cerrno>
#include <iconv.h>

namespace trivex::tools {

bool utf8ToGbk(const Bytes& utf8, Bytes& gbk, std::string& err) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        err = "the C library cannot convert UTF-8 to GBK (iconv_open failed)";
        return false;
    }
    gbk.assign(utf8.size() * 2 + 16, 0);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(utf8.data()));
    size_t inLeft = utf8.size();
    char* out = reinterpret_cast<char*>(gbk.data());
    size_t outLeft = gbk.size();
    const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) {
        err = "text is not UTF-8 that GBK can encode (at byte " + std::to_string(utf8.size() - inLeft) +
              (error == EILSEQ ? ")" : ", incomplete character)");
        return false;
    }
    gbk.resize(gbk.size() - outLeft);
    return true;
}

}  // namespace trivex::tools
