#include "io/byte_sink.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "io/safe_output.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

TEST(MemorySink, KeepsEveryWriteInOrder) {
    MemorySink out;
    EXPECT_EQ(out.write("ab", 2), 2u);
    EXPECT_EQ(out.write("", 0), 0u);
    EXPECT_EQ(out.write("cde", 3), 3u);
    EXPECT_EQ(std::string(out.bytes().begin(), out.bytes().end()), "abcde");
    EXPECT_FALSE(out.failed());
    EXPECT_EQ(out.error(), 0);
}

int writeText(ByteSink& out, const std::string& text, int result) {
    out.write(text.data(), text.size());
    return result;
}

TEST(WriteSafely, ReplacesTheTargetOnlyWhenTheWriterSucceeds) {
    TempDir dir;
    test::writeBytes(dir.file("a"), "old");
    FailureReason reason;
    EXPECT_EQ(writeSafely(dir.file("a"), &reason,
                          [](ByteSink& out) { return writeText(out, "half", 0); }),
              0);
    EXPECT_EQ(test::readBytes(dir.file("a")), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a"});
    EXPECT_EQ(
        writeSafely(dir.file("a"), &reason, [](ByteSink& out) { return writeText(out, "new", 1); }),
        1);
    EXPECT_EQ(test::readBytes(dir.file("a")), "new");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a"});
}

TEST(WriteSafely, GivesTheCauseOfARefusedTargetWithoutCallingTheWriter) {
    TempDir dir;
    FailureReason reason;
    bool called = false;
    EXPECT_EQ(writeSafely(dir.file("missing/a"), &reason,
                          [&](ByteSink&) {
                              called = true;
                              return 1;
                          }),
              0);
    EXPECT_FALSE(called);
    EXPECT_EQ(reason.text(), std::strerror(ENOENT));
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace pellumir
