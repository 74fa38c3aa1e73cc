// Test-made stand-ins for outside products: a file with the layout of a
// GRUB4DOS grldr, and the preset command list it must end with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trivex::test {

inline const std::string kPresetMenu(
    "find --set-root /Vemo.img\n"
    "map --mem /Vemo.img (fd0)\n"
    "map --hook\n"
    "chainloader (fd0)+1\n"
    "rootnoverify (fd0)\n",
    103);

// A file laid out like grldr: 0x2000 bytes of start-up code, then pre_stage2
// with its header, the signature at its end, 12 zero bytes and an old menu.
struct FakeLoader {
    std::string bytes;
    std::vector<size_t> names;  // offsets of "menu.lst" that must be renamed
    size_t menuAt = 0;

    explicit FakeLoader(bool bootRecordName = true) {
        bytes.assign(0x2000, '\x90');
        bytes.replace(0, 8, "\xEB\x3E\x80\x05\x20\x39\xFF\xFF");
        if (bootRecordName) put(0x3DB, std::string("/menu.lst\0", 10), 1);
        std::string stage2(0x3000, '\xC3');
        stage2.replace(0x12, 5, std::string("0.97\0", 5));
        stage2.replace(0x17, 20, std::string("/boot/grub/menu.lst\0", 20));
        stage2.replace(0x400, 26, std::string("GRUB4DOS 0.4.3 2008-05-02\0", 26));
        const uint32_t pointer = 0x8200 + 0x3000;
        for (int i = 0; i < 4; ++i) stage2[0x6C + i] = static_cast<char>(pointer >> (8 * i));
        bytes += stage2;
        names.push_back(0x2000 + 0x17 + 11);
        put(0x2000 + 0x1000, std::string("/boot/grub\0/menu.lst\0", 21), 12);  // set-up defaults
        put(0x2000 + 0x1800, std::string("/menu.lst/\0", 11), 1);               // PXE menu folder
        bytes += std::string("\xB0\x02\x1A\xCE", 4) + std::string(12, '\0');
        menuAt = bytes.size();
        bytes += std::string("configfile /menu.lst\ntimeout 5\n\0", 32);  // replaced, never checked
    }
    void put(size_t at, const std::string& s, size_t nameOffset) {
        bytes.replace(at, s.size(), s);
        names.push_back(at + nameOffset);
    }
    // What the patched file must be.
    std::string expected() const {
        std::string e = bytes.substr(0, menuAt);
        for (size_t at : names) e.replace(at, 8, "menu.ls1");
        return e + kPresetMenu;
    }
};

// A file laid out like GRUB4DOS 0.4.6a's grldr.mbr: 8 KB of start code with
// its loader's name after "No " at 0x5E0 and zero bytes behind it.
struct FakeLoaderMbr {
    std::string bytes;
    static constexpr size_t kNameAt = 0x5E3;

    FakeLoaderMbr() {
        bytes.assign(8192, '\x90');
        bytes.replace(0, 3, "\xEB\x5E\x90");
        bytes.replace(510, 2, "\x55\xAA");
        bytes.replace(0x5E0, 16, std::string("No GRLDR\0\0\0\0\0\0\0\0", 16));
        bytes.replace(0x5F0, 6, std::string("0\0\0\0\xEB\xFE", 6));
        bytes.replace(0x5FE, 2, "\x55\xAA");
    }
    // What the patched file must be: the store route's loader name in capitals.
    std::string expected() const {
        std::string e = bytes;
        e.replace(kNameAt, 7, std::string("TVXLDR\0", 7));
        return e;
    }
};

}  // namespace trivex::test
