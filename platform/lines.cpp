// Line-oriented file access by file number, built once on the raw file
// operations of the platform.
#include "platform/lines.h"

namespace trivex {
namespace {

constexpr int32_t kBlock = 512;

bool isLineEnd(unsigned char b) { return b == 10 || b == 0 || b == 0x1A; }

// A byte that can follow a lead byte in a two-byte character.
bool isTrailByte(unsigned char b) { return b >= 0x40 && b != 0x7F && b != 0xFF; }

}  // namespace

int LineFiles::open(const Text& path, int mode, int sharing) {
    if (path.empty() || mode < kModeRead || mode > kModeReadWriteCreate || sharing < kShareAll ||
        sharing > kShareExclusive)
        return 0;
    std::unique_ptr<RawFile> file = platform_.openRaw(path, mode, sharing);
    if (!file) return 0;
    while (next_ <= 0 || files_.count(next_)) next_ = next_ <= 0 ? 1 : next_ + 1;
    const int number = next_++;
    files_[number] = std::move(file);
    return number;
}

// Reads blocks of at most 512 bytes until a line feed, a zero byte or a
// 0x1A byte. A line feed is consumed; a zero or 0x1A byte is not, so every
// later read stops on it again and returns the empty text.
//
// A byte with the high bit set is read together with the byte after it, so a
// two-byte character is never split: when such a byte ends a full block, the
// block is cut before it and the next block starts with it. A lead byte that
// is not followed by a possible trail byte (0x40-0xFE but 0x7F) stands alone
// and the next byte is scanned by itself; so a lead byte followed by a zero
// byte, a line feed or 0x1A keeps the lead byte in the line and ends the line
// at the byte after it, and no line ever holds a zero byte. A lone lead byte
// at the very end of the file is kept as the last byte of the line.
Text LineFiles::readLine(int number) {
    const auto it = files_.find(number);
    if (it == files_.end()) return {};
    RawFile& f = *it->second;
    Text line;
    unsigned char block[kBlock];
    for (;;) {
        const int64_t start = f.position();
        if (start < 0) break;
        const int32_t got = f.read(block, kBlock);
        if (got <= 0) break;
        const int32_t n = got > kBlock ? kBlock : got;
        const bool lastBlock = n < kBlock;
        int32_t k = 0;
        int32_t cut = n;
        bool ended = false;
        while (k < n) {
            const unsigned char b = block[k];
            if (isLineEnd(b)) {
                ended = true;
                break;
            }
            if (b >= 0x80) {
                if (k + 1 >= n) {
                    if (!lastBlock) cut = k;  // the character continues in the next block
                    k = n;
                    break;
                }
                if (isTrailByte(block[k + 1])) {
                    k += 2;
                    continue;
                }
            }
            ++k;
        }
        if (ended) {
            line.append(reinterpret_cast<const char*>(block), static_cast<size_t>(k));
            f.seek(start + k + (block[k] == 10 ? 1 : 0));
            break;
        }
        line.append(reinterpret_cast<const char*>(block), static_cast<size_t>(cut));
        if (cut < n) {
            f.seek(start + cut);
        } else if (lastBlock) {
            break;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool LineFiles::atEnd(int number, int endMarker) {
    const auto it = files_.find(number);
    if (it == files_.end()) return true;
    RawFile& f = *it->second;
    const int64_t pos = f.position();
    if (pos < 0 || pos >= f.size()) return true;
    if (endMarker != 1) return false;
    unsigned char b = 0;
    const int32_t got = f.read(&b, 1);
    f.seek(pos);
    if (got != 1) return true;
    return b == 0 || b == 0x1A;
}

bool LineFiles::rewind(int number) {
    const auto it = files_.find(number);
    if (it == files_.end()) return false;
    return it->second->seek(0);
}

void LineFiles::close(int number) { files_.erase(number); }

}  // namespace trivex
