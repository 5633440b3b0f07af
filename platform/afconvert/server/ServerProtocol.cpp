#include "platform/afconvert/server/ServerProtocol.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace sondrel::afconvert {

namespace {

void putWord(std::string& out, std::uint32_t word) {
    out.append(reinterpret_cast<const char*>(&word), sizeof word);
}

// Reads words and texts from the front of `bytes`; any overrun fails.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool word(std::uint32_t& out) {
        if (m_bytes.size() < sizeof out)
            return false;
        std::memcpy(&out, m_bytes.data(), sizeof out);
        m_bytes.remove_prefix(sizeof out);
        return true;
    }
    bool text(std::string& out) {
        std::uint32_t length = 0;
        if (!word(length) || m_bytes.size() < length)
            return false;
        out.assign(m_bytes.substr(0, length));
        m_bytes.remove_prefix(length);
        return true;
    }
    bool atEnd() const { return m_bytes.empty(); }
    std::size_t left() const { return m_bytes.size(); }

private:
    std::string_view m_bytes;
};

bool knownKind(std::uint32_t kind) {
    return kind >= static_cast<std::uint32_t>(ServerMessageKind::Ready) &&
           kind <= static_cast<std::uint32_t>(ServerMessageKind::Ended);
}

// The descriptors of a received message's SCM_RIGHTS records.
std::vector<posix::UniqueFd> takeDescriptors(msghdr& header) {
    std::vector<posix::UniqueFd> descriptors;
    for (cmsghdr* record = CMSG_FIRSTHDR(&header); record != nullptr;
         record = CMSG_NXTHDR(&header, record)) {
        if (record->cmsg_level != SOL_SOCKET || record->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (record->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(record) + i * sizeof(int), sizeof fd);
            descriptors.emplace_back(fd);
        }
    }
    return descriptors;
}

} // namespace

ServerMessage RunMessage(std::vector<std::string> arguments, std::string folder) {
    ServerMessage message;
    message.kind = ServerMessageKind::Run;
    message.texts = std::move(arguments);
    message.texts.push_back(std::move(folder));
    return message;
}

std::string EncodeServerMessage(const ServerMessage& message) {
    std::string bytes;
    putWord(bytes, static_cast<std::uint32_t>(message.kind));
    putWord(bytes, static_cast<std::uint32_t>(message.value));
    putWord(bytes, static_cast<std::uint32_t>(message.texts.size()));
    for (const std::string& text : message.texts) {
        putWord(bytes, static_cast<std::uint32_t>(text.size()));
        bytes += text;
    }
    return bytes;
}

std::optional<ServerMessage> DecodeServerMessage(std::string_view bytes) {
    Reader reader(bytes);
    std::uint32_t kind = 0;
    std::uint32_t value = 0;
    std::uint32_t count = 0;
    if (!reader.word(kind) || !knownKind(kind) || !reader.word(value) || !reader.word(count))
        return std::nullopt;
    // Each text takes at least its length word: a count beyond that is a lie.
    if (count > reader.left() / sizeof(std::uint32_t))
        return std::nullopt;
    ServerMessage message;
    message.kind = static_cast<ServerMessageKind>(kind);
    message.value = static_cast<std::int32_t>(value);
    message.texts.resize(count);
    for (std::string& text : message.texts) {
        if (!reader.text(text))
            return std::nullopt;
    }
    if (!reader.atEnd())
        return std::nullopt;
    return message;
}

bool SendServerMessage(int socket, const ServerMessage& message,
                       const std::vector<int>& descriptors) {
    const std::string bytes = EncodeServerMessage(message);
    if (bytes.size() > kMaxServerMessage || descriptors.size() > kRunDescriptors)
        return false;
    iovec part{const_cast<char*>(bytes.data()), bytes.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kRunDescriptors)] = {};
    if (!descriptors.empty()) {
        const std::size_t size = sizeof(int) * descriptors.size();
        header.msg_control = control;
        header.msg_controllen = CMSG_SPACE(size);
        cmsghdr* record = CMSG_FIRSTHDR(&header);
        record->cmsg_level = SOL_SOCKET;
        record->cmsg_type = SCM_RIGHTS;
        record->cmsg_len = CMSG_LEN(size);
        std::memcpy(CMSG_DATA(record), descriptors.data(), size);
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(socket, &header, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(bytes.size());
}

ReceiveResult ReceiveServerMessage(int socket, ServerMessage& message) {
    std::string bytes(kMaxServerMessage, '\0');
    iovec part{bytes.data(), bytes.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    // Room for more descriptors than a message may carry, so that extra ones
    // are received (and closed) rather than cut off unseen.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kRunDescriptors * 4)] = {};
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t received;
    do {
        received = ::recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    } while (received < 0 && errno == EINTR);
    if (received < 0)
        return errno == ECONNRESET ? ReceiveResult::End : ReceiveResult::Failed;
    std::vector<posix::UniqueFd> descriptors = takeDescriptors(header);
    if (received == 0)
        return ReceiveResult::End; // no message is empty
    if ((header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0)
        return ReceiveResult::Malformed;
    bytes.resize(static_cast<std::size_t>(received));
    std::optional<ServerMessage> decoded = DecodeServerMessage(bytes);
    if (!decoded)
        return ReceiveResult::Malformed;
    message = std::move(*decoded);
    message.descriptors = std::move(descriptors);
    return ReceiveResult::Message;
}

} // namespace sondrel::afconvert
