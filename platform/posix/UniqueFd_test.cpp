#include "platform/posix/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace sondrel::posix {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFd, ClosesExactlyOnceWhateverItsOwnershipWent) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    {
        UniqueFd read(ends[0]);
        UniqueFd write(ends[1]);
        UniqueFd moved(std::move(read));
        EXPECT_FALSE(read);
        EXPECT_EQ(moved.get(), ends[0]);
        write = std::move(moved); // the write end goes, the read end moves in
        EXPECT_FALSE(IsOpen(ends[1]));
        EXPECT_TRUE(IsOpen(ends[0]));
        EXPECT_EQ(write.close(), 0);
        EXPECT_FALSE(write);
        EXPECT_EQ(write.close(), 0); // nothing held: nothing closed
    }
    EXPECT_FALSE(IsOpen(ends[0]));

    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    UniqueFd kept(ends[0]);
    const int released = kept.release();
    EXPECT_FALSE(kept.valid());
    kept.reset(ends[1]);
    EXPECT_TRUE(IsOpen(released)); // released, so not closed
    ::close(released);
    kept.reset();
    EXPECT_FALSE(IsOpen(ends[1]));
}

} // namespace
} // namespace sondrel::posix
