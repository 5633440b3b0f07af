#include "platform/appkit/InstanceChannel.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "platform/appkit/ApplicationLaunch.h"
#include "platform/appkit/FileNameUrls.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSApplication.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/posix/UniqueFd.h"

namespace sondrel::appkit {
namespace {

// A message: this line with the payload's length in bytes, then the payload (the paths as a
// URI list, which keeps every byte of a file name). The answer is "ok\n".
constexpr char kGreeting[] = "sondrel-open 1 ";
constexpr char kAnswer[] = "ok\n";
constexpr qsizetype kLongestMessage = qsizetype{16} << 20;
// How long either end waits for the other before giving up on a connection.
constexpr int kPatienceMilliseconds = 10000;
// How long a later start keeps trying while the running instance is still starting (it holds the
// lock but has not listened yet) or ending (it has stopped listening but holds the lock).
constexpr auto kStartingPatience = std::chrono::seconds(5);

struct Instance {
    posix::UniqueFd lock; // the lock file's descriptor, which holds the lock
    std::unique_ptr<QLocalServer> server;
};

// Lives as long as the process (a run that ends without releasing leaves the socket file, which
// the next first start removes; the system drops the lock).
Instance& instance() {
    static auto* state = new Instance;
    return *state;
}

bool isPrivateFolder(const std::string& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

std::string toBytes(const std::u16string& text) {
    return QString::fromStdU16String(text).toStdString();
}

// Letters, digits, ".", "-" and "_" only, so the name is one safe file name.
std::string fileNamePart(const std::string& text) {
    std::string part;
    for (const char c : text) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        part += safe ? c : '_';
    }
    if (part.size() > 48) { // a socket's whole path must stay short
        std::uint32_t hash = 2166136261u;
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        part = part.substr(0, 39) + "-" + QByteArray::number(hash, 16).toStdString();
    }
    return part;
}

std::optional<std::string> ownRuntimeFolder(const std::string& given) {
    if (!given.empty())
        return isPrivateFolder(given) ? std::optional(given) : std::nullopt;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/' && isPrivateFolder(runtime))
        return std::string(runtime);
    const std::string own =
        "/tmp/" + fileNamePart(toBytes(desktopEntryName())) + "-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    return isPrivateFolder(own) ? std::optional(own) : std::nullopt;
}

// The value the toolkit's option `name` was given on the command line, or the empty text.
std::string toolkitOption(std::string_view name) {
    const std::vector<std::string>& arguments = toolkitArguments();
    for (std::size_t i = 0; i < arguments.size();) {
        const int length = toolkitOptionLength(arguments[i]);
        std::string_view option = arguments[i];
        if (option.starts_with("--"))
            option.remove_prefix(1);
        if (length == 2 && i + 1 < arguments.size() && option.substr(1) == name)
            return arguments[i + 1];
        i += length > 0 ? static_cast<std::size_t>(length) : 1;
    }
    return {};
}

// The display this process shows its windows on.
std::string displayName() {
    const std::string platform = QGuiApplication::platformName().toStdString();
    std::string display;
    if (platform == "xcb") {
        display = toolkitOption("display");
        if (display.empty() && std::getenv("DISPLAY") != nullptr)
            display = std::getenv("DISPLAY");
        // ":0.0" and ":0" are screens of one display.
        const std::size_t colon = display.rfind(':');
        const std::size_t dot = display.rfind('.');
        if (colon != std::string::npos && dot != std::string::npos && dot > colon)
            display.resize(dot);
    } else if (platform.starts_with("wayland")) {
        const char* socket = std::getenv("WAYLAND_DISPLAY");
        display = socket != nullptr && socket[0] != '\0' ? socket : "wayland-0";
    }
    return display.empty() ? platform : platform + "-" + display;
}

std::string pathBase(const std::string& folder) {
    return folder + "/" + fileNamePart(toBytes(desktopEntryName())) + "." +
           fileNamePart(displayName());
}

bool peerIsOwnUser(qintptr descriptor) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return descriptor >= 0 &&
           ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                        &length) == 0 &&
           credentials.uid == ::geteuid();
}

enum class Reading { Incomplete, Complete, Broken };

// The payload of a complete message in `buffer`.
Reading readMessage(const QByteArray& buffer, QByteArray& payload) {
    const qsizetype newline = buffer.indexOf('\n');
    if (newline < 0)
        return buffer.size() > 64 ? Reading::Broken : Reading::Incomplete;
    const QByteArray header = buffer.left(newline);
    if (!header.startsWith(kGreeting))
        return Reading::Broken;
    bool number = false;
    const qsizetype length = header.mid(sizeof kGreeting - 1).toLongLong(&number);
    if (!number || length < 0 || length > kLongestMessage)
        return Reading::Broken;
    const qsizetype received = buffer.size() - newline - 1;
    if (received < length)
        return Reading::Incomplete;
    if (received > length)
        return Reading::Broken;
    payload = buffer.mid(newline + 1);
    return Reading::Complete;
}

// What a later start asked for, carried out on the main thread.
void deliver(const std::vector<std::u16string>& paths) {
    NSApplicationObject* app = NSApplicationObject::existing();
    if (app == nullptr)
        return;
    app->activate();
    const id delegate = app->delegate();
    const SEL openFiles = objc::registerSelector("application:openFiles:");
    if (paths.empty() || delegate == nullptr || objc::findMethod(delegate, openFiles) == nullptr)
        return;
    const objc::AutoreleasePool pool;
    objc::send<void>(delegate, openFiles, static_cast<id>(app),
                     static_cast<id>(autoreleasedStringArray(paths)));
}

void serve(QLocalSocket* socket) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!peerIsOwnUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    QTimer::singleShot(kPatienceMilliseconds, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
        buffer->append(socket->readAll());
        QByteArray payload;
        switch (readMessage(*buffer, payload)) {
        case Reading::Incomplete:
            return;
        case Reading::Broken:
            socket->abort();
            socket->deleteLater();
            return;
        case Reading::Complete:
            break;
        }
        buffer->clear();
        socket->write(kAnswer);
        socket->flush();
        socket->disconnectFromServer();
        deliver(LocalFileNames(payload));
    });
}

bool listen(const std::string& socketPath) {
    const QString name = QString::fromLocal8Bit(socketPath.c_str());
    // Only the lock's holder gets here: whatever is at the socket's path is left from a run
    // that ended without removing it.
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name))
        return false;
    QLocalServer* listening = server.get();
    QObject::connect(listening, &QLocalServer::newConnection, listening, [listening] {
        while (QLocalSocket* socket = listening->nextPendingConnection())
            serve(socket);
    });
    instance().server = std::move(server);
    return true;
}

// Hands the paths to the instance listening at `socketPath`; nothing when none listens there.
std::optional<InstanceClaim> handOver(const std::string& socketPath,
                                      const std::vector<std::u16string>& paths) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromLocal8Bit(socketPath.c_str()));
    if (!socket.waitForConnected(kPatienceMilliseconds))
        return std::nullopt;
    if (!peerIsOwnUser(socket.socketDescriptor()))
        return InstanceClaim::Unanswered;
    const QByteArray payload = UriList(paths);
    socket.write(kGreeting + QByteArray::number(payload.size()) + "\n" + payload);
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 16) {
        if (!socket.waitForReadyRead(kPatienceMilliseconds))
            break;
        answer += socket.readAll();
    }
    return answer == kAnswer ? InstanceClaim::HandedOver : InstanceClaim::Unanswered;
}

} // namespace

std::string instanceSocketPath(const std::string& folder) {
    return pathBase(folder) + ".socket";
}

InstanceClaim claimInstance(const std::string& folder, const std::vector<std::u16string>& paths) {
    const std::optional<std::string> own = ownRuntimeFolder(folder);
    if (!own)
        return InstanceClaim::Alone;
    const std::string lockPath = pathBase(*own) + ".lock";
    const std::string socketPath = instanceSocketPath(*own);
    const auto giveUp = std::chrono::steady_clock::now() + kStartingPatience;
    for (;;) {
        posix::UniqueFd fd(
            ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd)
            return InstanceClaim::Alone;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            instance().lock = std::move(fd);
            if (listen(socketPath))
                return InstanceClaim::First;
            releaseInstance(); // later starts must not wait for a socket that never comes
            return InstanceClaim::Alone;
        }
        const int error = errno;
        fd.reset();
        if (error != EWOULDBLOCK)
            return InstanceClaim::Alone;
        if (const std::optional<InstanceClaim> answered = handOver(socketPath, paths))
            return *answered;
        if (std::chrono::steady_clock::now() > giveUp)
            return InstanceClaim::Unanswered;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void releaseInstance() {
    Instance& state = instance();
    state.server.reset();
    state.lock.reset();
}

} // namespace sondrel::appkit
