#include "platform/afconvert/server/ServerProtocol.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sondrel::afconvert {
namespace {

TEST(ServerProtocol, MessagesArriveWholeWithTheirDescriptorsAndDamageIsRefused) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    posix::UniqueFd client(ends[0]);
    posix::UniqueFd server(ends[1]);
    // Any bytes in a text, empty texts included.
    std::string odd("a\0b\n\xff", 5);
    ServerMessage run = RunMessage({"afconvert", odd, ""}, "/some folder");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    posix::UniqueFd readEnd(pipeEnds[0]);
    posix::UniqueFd writeEnd(pipeEnds[1]);
    ASSERT_TRUE(SendServerMessage(client.get(), run, {readEnd.get(), writeEnd.get(), 2}));
    ServerMessage got;
    ASSERT_EQ(ReceiveServerMessage(server.get(), got), ReceiveResult::Message);
    EXPECT_EQ(got.kind, ServerMessageKind::Run);
    EXPECT_EQ(got.texts, (std::vector<std::string>{"afconvert", odd, "", "/some folder"}));
    ASSERT_EQ(got.descriptors.size(), 3u);
    // Received descriptors are new, close-on-exec, and lead where the sent ones do.
    EXPECT_NE(::fcntl(got.descriptors[1].get(), F_GETFD) & FD_CLOEXEC, 0);
    ASSERT_EQ(::write(got.descriptors[1].get(), "x", 1), 1);
    char byte = 0;
    ASSERT_EQ(::read(readEnd.get(), &byte, 1), 1);
    EXPECT_EQ(byte, 'x');

    ServerMessage ended;
    ended.kind = ServerMessageKind::Ended;
    ended.value = -7;
    ASSERT_TRUE(SendServerMessage(server.get(), ended));
    ASSERT_EQ(ReceiveServerMessage(client.get(), got), ReceiveResult::Message);
    EXPECT_EQ(got.kind, ServerMessageKind::Ended);
    EXPECT_EQ(got.value, -7);
    EXPECT_TRUE(got.texts.empty());

    // Too large to send; and what arrives damaged is refused, not guessed at.
    EXPECT_FALSE(SendServerMessage(client.get(), RunMessage({std::string(70000, 'x')}, "")));
    const std::string bytes = EncodeServerMessage(run);
    EXPECT_TRUE(DecodeServerMessage(bytes));
    EXPECT_FALSE(DecodeServerMessage(bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(DecodeServerMessage(bytes + "x"));
    std::string lying = bytes;
    lying[8] = '\x7f'; // the text count
    EXPECT_FALSE(DecodeServerMessage(lying));
    std::string unknown = bytes;
    unknown[0] = '\x09'; // the kind
    EXPECT_FALSE(DecodeServerMessage(unknown));
    ASSERT_EQ(::send(client.get(), "tiny", 4, 0), 4);
    EXPECT_EQ(ReceiveServerMessage(server.get(), got), ReceiveResult::Malformed);

    client.reset();
    EXPECT_EQ(ReceiveServerMessage(server.get(), got), ReceiveResult::End);
}

} // namespace
} // namespace sondrel::afconvert
