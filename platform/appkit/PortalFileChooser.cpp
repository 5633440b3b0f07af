#include "platform/appkit/PortalFileChooser.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDialog>
#include <QGuiApplication>
#include <QWidget>

#include "platform/appkit/FileNameUrls.h"

namespace sondrel::appkit {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kFileChooser = QStringLiteral("org.freedesktop.portal.FileChooser");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// How long to wait for the portal to say which version it is (it may be started on demand).
constexpr int kVersionMilliseconds = 5000;

// Response codes of a portal request.
constexpr uint kChosen = 0;
constexpr uint kCancelled = 1;

uint portalVersion(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kFileChooser << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kVersionMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
}

bool portalCanDo(const PortalRequest& request, uint version) {
    switch (request.kind) {
    case PortalRequest::Kind::Save:
        return version >= 1;
    case PortalRequest::Kind::OpenFolder:
        return version >= 4 || (version >= 3 && request.folder.empty());
    case PortalRequest::Kind::OpenFiles:
        return version >= 4 || (version >= 1 && request.folder.empty());
    }
    return false;
}

// The window the dialog belongs to, as the portal names windows.
QString parentWindow(const QWidget* parent) {
    const QWidget* window = parent != nullptr ? parent->window() : nullptr;
    if (window == nullptr || QGuiApplication::platformName() != QStringLiteral("xcb"))
        return {};
    return QStringLiteral("x11:") + QString::number(window->winId(), 16);
}

QVariantMap requestOptions(const PortalRequest& request, const QString& token) {
    QVariantMap options{{QStringLiteral("handle_token"), token}, {QStringLiteral("modal"), true}};
    if (request.kind == PortalRequest::Kind::OpenFolder)
        options.insert(QStringLiteral("directory"), true);
    if (request.kind == PortalRequest::Kind::OpenFiles && request.multiple)
        options.insert(QStringLiteral("multiple"), true);
    if (const std::optional<QByteArray> folder = FileNameBytes(request.folder);
        folder && !folder->isEmpty())
        options.insert(QStringLiteral("current_folder"), *folder + '\0');
    if (request.kind == PortalRequest::Kind::Save && !request.name.empty())
        options.insert(QStringLiteral("current_name"), QString::fromStdU16String(request.name));
    return options;
}

// The object path of the request a call with `token` makes (the portal's own rule), so its
// answer can be listened for before the call.
QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

// Waits for the answer of one request, with the application's windows blocked meanwhile.
class PortalAnswer : public QDialog {
    Q_OBJECT
public:
    explicit PortalAnswer(QWidget* parent) : QDialog(parent) {
        setAttribute(Qt::WA_DontShowOnScreen);
        setModal(true);
    }
    bool answered = false;
    uint code = 2;
    QVariantMap results;

    void waitForAnswer() {
        if (!answered)
            exec();
    }

public slots:
    void response(uint answer, const QVariantMap& answerResults) {
        code = answer;
        results = answerResults;
        finish();
    }
    void portalGone() { finish(); }

private:
    void finish() {
        answered = true;
        if (isVisible())
            accept();
    }
};

std::vector<std::u16string> chosenPaths(const QVariantMap& results) {
    QByteArray list;
    for (const QString& uri : results.value(QStringLiteral("uris")).toStringList())
        list += uri.toUtf8() + "\r\n";
    return LocalFileNames(list);
}

} // namespace

std::optional<std::vector<std::u16string>> chooseWithPortal(const PortalRequest& request) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !portalCanDo(request, portalVersion(bus)))
        return std::nullopt;
    static int requests = 0;
    const QString token = QStringLiteral("sondrel%1").arg(++requests);
    PortalAnswer answer(request.parent);
    QString path = requestPath(bus, token);
    bus.connect(kService, path, kRequest, QStringLiteral("Response"), &answer,
                SLOT(response(uint, QVariantMap)));
    QDBusServiceWatcher watcher(kService, bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &answer,
                     &PortalAnswer::portalGone);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kFileChooser,
                                                       request.kind == PortalRequest::Kind::Save
                                                           ? QStringLiteral("SaveFile")
                                                           : QStringLiteral("OpenFile"));
    call << parentWindow(request.parent) << request.title << requestOptions(request, token);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kVersionMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &answer,
                       SLOT(response(uint, QVariantMap)));
        return std::nullopt;
    }
    // A portal older than the naming rule answers on a path of its own.
    const QString given = reply.arguments().first().value<QDBusObjectPath>().path();
    if (!given.isEmpty() && given != path) {
        bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &answer,
                       SLOT(response(uint, QVariantMap)));
        path = given;
        bus.connect(kService, path, kRequest, QStringLiteral("Response"), &answer,
                    SLOT(response(uint, QVariantMap)));
    }
    answer.waitForAnswer();
    bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &answer,
                   SLOT(response(uint, QVariantMap)));
    switch (answer.code) {
    case kChosen:
        return chosenPaths(answer.results);
    case kCancelled:
        return std::vector<std::u16string>{};
    default:
        return std::nullopt;
    }
}

} // namespace sondrel::appkit

#include "PortalFileChooser.moc"
