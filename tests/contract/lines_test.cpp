// Line-oriented file access: opening by mode and sharing, reading lines,
// end of file.
#include "platform/lines.h"
#include "tests/contract/contract.h"

namespace trivex::contract {
namespace {

class Lines : public ContractTest {
protected:
    LineFiles files{p};
    // Opens a file holding `content` for reading.
    int openWith(const Text& content) {
        EXPECT_TRUE(put("lines.txt", content));
        const int n = files.open(at("lines.txt"), kModeRead);
        EXPECT_GT(n, 0);
        return n;
    }
};

TEST_F(Lines, OpenChecksModeSharingPathAndExistence) {
    ASSERT_TRUE(put("f.txt", "x"));
    EXPECT_EQ(files.open(at("f.txt"), 0), 0);
    EXPECT_EQ(files.open(at("f.txt"), 7), 0);
    EXPECT_EQ(files.open(at("f.txt"), kModeRead, 0), 0);
    EXPECT_EQ(files.open(at("f.txt"), kModeRead, 5), 0);
    EXPECT_EQ(files.open("", kModeRead), 0);
    for (int mode : {kModeRead, kModeWrite, kModeReadWrite}) EXPECT_EQ(files.open(at("new.txt"), mode), 0) << mode;
    EXPECT_EQ(p.fileSize(at("new.txt")), -1);

    const int created = files.open(at("new.txt"), kModeReadWriteCreate);
    EXPECT_GT(created, 0);
    files.close(created);
    EXPECT_EQ(p.fileSize(at("new.txt")), 0);
    const int rewritten = files.open(at("f.txt"), kModeRewrite);
    EXPECT_GT(rewritten, 0);
    files.close(rewritten);
    EXPECT_EQ(p.fileSize(at("f.txt")), 0);
}

TEST_F(Lines, OpenFilesHoldTheirSharing) {
    ASSERT_TRUE(put("boot.ini", "x"));
    const int exclusive = files.open(at("boot.ini"), kModeReadWrite, kShareExclusive);
    ASSERT_GT(exclusive, 0);
    EXPECT_EQ(files.open(at("boot.ini"), kModeRead), 0);
    EXPECT_FALSE(put("boot.ini", "y"));
    EXPECT_FALSE(p.deleteFile(at("boot.ini")));
    files.close(exclusive);

    const int shared = files.open(at("boot.ini"), kModeReadWrite, kShareAll);
    ASSERT_GT(shared, 0);
    const int second = files.open(at("boot.ini"), kModeRead, kShareAll);
    EXPECT_GT(second, 0);
    EXPECT_NE(second, shared);
    EXPECT_FALSE(put("boot.ini", "y")) << "writing a whole file grants no sharing";
    files.close(second);
    files.close(shared);
    EXPECT_TRUE(put("boot.ini", "y"));
}

TEST_F(Lines, LineEndsAndTheLastLine) {
    const int n = openWith("[boot loader]\r\ntimeout=30\nlast");
    EXPECT_EQ(files.readLine(n), "[boot loader]");
    EXPECT_EQ(files.readLine(n), "timeout=30");
    EXPECT_FALSE(files.atEnd(n));
    EXPECT_EQ(files.readLine(n), "last");
    EXPECT_TRUE(files.atEnd(n));
    EXPECT_EQ(files.readLine(n), "");
    EXPECT_TRUE(files.rewind(n));
    EXPECT_EQ(files.readLine(n), "[boot loader]");
    files.close(n);
}

TEST_F(Lines, OnlyOneCarriageReturnBeforeTheEndIsDropped) {
    const int n = openWith("a\r\r\n\rb\r\n\r\n");
    EXPECT_EQ(files.readLine(n), "a\r");
    EXPECT_EQ(files.readLine(n), "\rb");
    EXPECT_EQ(files.readLine(n), "");
    EXPECT_TRUE(files.atEnd(n));
    files.close(n);
}

TEST_F(Lines, LongLinesAndCharactersAcrossTheBlockBoundary) {
    const Text longLine(1500, 'x');
    // 511 ASCII bytes, then a two-byte character on bytes 512 and 513 whose
    // trail byte (0xB5) has the high bit set too: read as a lead byte of its
    // own, it would swallow the line feed after it.
    const Text straddling = Text(511, 'y') + "镜";
    const int n = openWith(longLine + "\r\n" + straddling + "\n" + "\xB0" "\n" "end");
    EXPECT_EQ(files.readLine(n), longLine);
    EXPECT_EQ(files.readLine(n), straddling);
    EXPECT_EQ(files.readLine(n), "\xB0");  // a lead byte before the line feed stands alone
    EXPECT_EQ(files.readLine(n), "end");
    files.close(n);
}

TEST_F(Lines, EndMarkersStopEveryLaterRead) {
    for (char marker : {'\x1A', '\0'}) {
        const int n = openWith(Text("one\r\ntwo") + marker + "three\r\nfour");
        EXPECT_EQ(files.readLine(n), "one");
        EXPECT_EQ(files.readLine(n), "two");
        EXPECT_EQ(files.readLine(n), "");
        EXPECT_EQ(files.readLine(n), "");
        EXPECT_FALSE(files.atEnd(n)) << "bytes remain";
        EXPECT_TRUE(files.atEnd(n, 1)) << "the marker counts as the end";
        EXPECT_EQ(files.readLine(n), "") << "testing for the end does not move";
        files.close(n);
    }
    // A lead byte followed by a zero byte: the lead byte ends the line.
    const int n = openWith(Text("ab\xB0", 3) + Text(1, '\0') + "cd");
    EXPECT_EQ(files.readLine(n), "ab\xB0");
    EXPECT_EQ(files.readLine(n), "");
    files.close(n);
}

TEST_F(Lines, EndTestWithTheMarkerFlag) {
    const int n = openWith("x\r\ny");
    EXPECT_FALSE(files.atEnd(n, 1));
    EXPECT_EQ(files.readLine(n), "x");
    EXPECT_FALSE(files.atEnd(n, 1));
    EXPECT_EQ(files.readLine(n), "y");
    EXPECT_TRUE(files.atEnd(n, 1));
    files.close(n);
}

TEST_F(Lines, UnknownFileNumbers) {
    EXPECT_EQ(files.readLine(42), "");
    EXPECT_TRUE(files.atEnd(42));
    EXPECT_FALSE(files.rewind(42));
    files.close(42);
    const int n = openWith("a");
    files.close(n);
    EXPECT_EQ(files.readLine(n), "");
    EXPECT_TRUE(files.atEnd(n));
}

}  // namespace
}  // namespace trivex::contract
