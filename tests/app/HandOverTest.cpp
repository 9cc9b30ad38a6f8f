#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "HandOverMessage.h"
#include "InstanceName.h"
#include "OpenRequestPrinter.h"
#include "OpenRequestQueue.h"

namespace {

// --- The instance name --------------------------------------------------------------------------------

struct TDisplayCase {
    const char* Platform;
    const char* X11Display;
    const char* WaylandDisplay;
    const char* Key;
};

TEST(DisplayKeyTest, OneNameForEachSessionWhicheverPlatformTheProgramUses) {
    const std::vector<TDisplayCase> cases = {
        {"xcb", ":0", "", "x11-_0"},
        {"xcb", ":0.0", "", "x11-_0"},  // screen 0 of display 0 is display 0
        {"xcb", ":1", "", "x11-_1"},
        {"xcb", "host.example:10.1", "", "x11-host.example_10"},
        {"xcb", "", "", "x11"},
        {"xcb", "/tmp/x/org.x:0", "", "x11-_tmp_x_org.x_0"},  // nothing of it becomes a folder
        // A Wayland session: its programs on XWayland and on Wayland are one.
        {"wayland", ":0", "wayland-1", "wayland-wayland-1"},
        {"xcb", ":0", "wayland-1", "wayland-wayland-1"},
        {"wayland-egl", "", "wayland-1", "wayland-wayland-1"},
        {"wayland", "", "/run/user/1000/wayland-2", "wayland-_run_user_1000_wayland-2"},
        {"wayland", "", "", "wayland-wayland-0"},
        {"offscreen", ":0", "wayland-0", "offscreen"},
    };
    for (const TDisplayCase& c : cases) {
        EXPECT_EQ(DisplayKey(QString::fromLatin1(c.Platform), c.X11Display, c.WaylandDisplay),
                  QString::fromLatin1(c.Key))
            << c.Platform << " " << c.X11Display << " " << c.WaylandDisplay;
    }
    EXPECT_EQ(InstanceSocketPath(QStringLiteral("/run/user/1000"), 1000, QStringLiteral("x11-_0")),
              QStringLiteral("/run/user/1000/orvalis-1000-x11-_0"));
}

// The lock and the socket only ever go into a folder of the user's own that nobody else may enter: the
// runtime folder when it is such a folder, else one made in the cache folder; never a folder another user
// could have made or linked, never the current folder.
TEST(PrivateRuntimeFolderTest, OnlyAFolderOfTheUsersOwnThatNobodyElseMayEnter) {
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    const QString cache = home.filePath(QStringLiteral("cache"));
    const QString made = cache + QStringLiteral("/Quenmark/Orvalis-runtime");
    const auto native = [](const QString& path) { return QFile::encodeName(path); };
    const auto mode = [&](const QString& path) {
        struct stat entry {};
        return ::lstat(native(path).constData(), &entry) == 0 ? int(entry.st_mode & 0777) : -1;
    };
    ASSERT_EQ(::mkdir(native(runtime).constData(), 0700), 0);
    EXPECT_EQ(PrivateRuntimeFolder(native(runtime), cache), runtime);

    // Open to others, a link to it, a relative path, none at all: the cache folder's own, made 0700.
    ASSERT_EQ(::chmod(native(runtime).constData(), 0755), 0);
    const QString link = home.filePath(QStringLiteral("link"));
    ASSERT_EQ(::mkdir(native(home.filePath(QStringLiteral("private"))).constData(), 0700), 0);
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("private")), link));
    for (const QByteArray& runtimeDir :
         {native(runtime), native(link), QByteArray("runtime"), QByteArray()}) {
        SCOPED_TRACE(runtimeDir.toStdString());
        EXPECT_EQ(PrivateRuntimeFolder(runtimeDir, cache), made);
        EXPECT_EQ(mode(made), 0700);
    }
    // A folder of the user's that was opened up is closed again.
    ASSERT_EQ(::chmod(native(made).constData(), 0777), 0);
    EXPECT_EQ(PrivateRuntimeFolder(QByteArray(), cache), made);
    EXPECT_EQ(mode(made), 0700);

    // Someone's link in its place, or a folder of another user's: none at all.
    ASSERT_TRUE(QDir(made).removeRecursively());
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("private")), made));
    EXPECT_EQ(PrivateRuntimeFolder(QByteArray(), cache), QString());
    ASSERT_TRUE(QFile::remove(made));
    if (::geteuid() == 0) {
        ASSERT_EQ(::mkdir(native(made).constData(), 0700), 0);
        ASSERT_EQ(::chown(native(made).constData(), 65534, 65534), 0);
        EXPECT_EQ(PrivateRuntimeFolder(QByteArray(), cache), QString());
    }
    // Too deep for a socket's path.
    EXPECT_EQ(PrivateRuntimeFolder(QByteArray(), home.filePath(QString(120, u'c'))), QString());
    EXPECT_EQ(PrivateRuntimeFolder(QByteArray(), QStringLiteral("relative/cache")), QString());
}

// --- The message ---------------------------------------------------------------------------------------

TEST(HandOverMessageTest, RequestsSurviveTheWayThrough) {
    const TOpenRequests requests = {
        {TOpenKind::Picture, QStringLiteral("/photos/IMG_1234.JPG")},
        {TOpenKind::Folder, QStringLiteral("/photos/Été 2026")},
        {TOpenKind::ImageListFile, QStringLiteral("/lists/evening\nshow.txt")},
        {TOpenKind::Picture, QStringLiteral("/photos/IMG_1234.JPG")},
    };
    for (const TOpenRequests& sent : {requests, TOpenRequests()}) {
        const QByteArray frame = EncodeHandOver(sent);
        const std::optional<quint32> length = HandOverPayloadLength(frame);
        ASSERT_TRUE(length.has_value());
        ASSERT_EQ(static_cast<qsizetype>(*length), frame.size() - HandOverHeaderSize);
        EXPECT_EQ(DecodeHandOver(frame.mid(HandOverHeaderSize)), sent);
    }
    EXPECT_FALSE(HandOverPayloadLength(QByteArray("\0\0\1", 3)).has_value());
    EXPECT_EQ(HandOverPayloadLength(QByteArray("\0\0\1\2", 4)), 258u);
}

// A payload written field by field, so that each can be made wrong.
QByteArray Payload(const QByteArray& tag, quint32 format, quint32 count,
                   const std::vector<std::pair<quint8, QString>>& requests, const QByteArray& tail = {}) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << tag << format << count;
    for (const auto& [kind, path] : requests) {
        out << kind << path;
    }
    return bytes + tail;
}

TEST(HandOverMessageTest, AnythingButOurMessageIsRefused) {
    const QByteArray tag("orvalis-open");
    const QString path = QStringLiteral("/a.jpg");
    ASSERT_TRUE(DecodeHandOver(Payload(tag, 1, 1, {{1, path}})).has_value());
    const QByteArray whole = Payload(tag, 1, 2, {{1, path}, {3, path}});
    struct TCase {
        const char* Name;
        QByteArray Payload;
    };
    const std::vector<TCase> cases = {
        {"empty", QByteArray()},
        {"another tag", Payload("orvalis-shut", 1, 1, {{1, path}})},
        {"another format", Payload(tag, 2, 1, {{1, path}})},
        {"fewer requests than counted", Payload(tag, 1, 2, {{1, path}})},
        {"a count beyond any payload", Payload(tag, 1, 0xFFFFFFFF, {{1, path}})},
        {"kind 0", Payload(tag, 1, 1, {{0, path}})},
        {"kind 4", Payload(tag, 1, 1, {{4, path}})},
        {"a relative path", Payload(tag, 1, 1, {{1, QStringLiteral("a.jpg")}})},
        {"an empty path", Payload(tag, 1, 1, {{2, QString()}})},
        {"bytes left over", Payload(tag, 1, 1, {{1, path}}, QByteArray("x"))},
        {"cut short", whole.left(whole.size() - 3)},
    };
    for (const TCase& c : cases) {
        EXPECT_FALSE(DecodeHandOver(c.Payload).has_value()) << c.Name;
    }
}

// --- Opening one command line after the other -------------------------------------------------------------

TOpenRequests Named(const QString& path) {
    return {{TOpenKind::Picture, path}};
}

TEST(OpenRequestQueueTest, CollectsUntilReleasedThenOpensInArrivalOrder) {
    QStringList opened;
    TOpenRequestQueue queue([&](const TOpenRequests& requests) { opened.append(requests.at(0).Path); });
    queue.Push(Named(QStringLiteral("/1")));
    queue.Push(Named(QStringLiteral("/2")));
    EXPECT_TRUE(opened.isEmpty());
    queue.Release();
    EXPECT_EQ(opened, QStringList({QStringLiteral("/1"), QStringLiteral("/2")}));
    queue.Push(Named(QStringLiteral("/3")));
    EXPECT_EQ(opened.size(), 3);
}

// A hand-over that arrives while the adding loop of an earlier one lets events run is opened after it,
// not in the middle of it.
TEST(OpenRequestQueueTest, ARequestArrivingWhileOneIsOpenedWaitsForIt) {
    QStringList events;
    TOpenRequestQueue* self = nullptr;
    TOpenRequestQueue queue([&](const TOpenRequests& requests) {
        const QString path = requests.at(0).Path;
        events.append(QStringLiteral("begin ") + path);
        if (path == u"/1") {
            self->Push(Named(QStringLiteral("/2")));
        }
        events.append(QStringLiteral("end ") + path);
    });
    self = &queue;
    queue.Release();
    queue.Push(Named(QStringLiteral("/1")));
    EXPECT_EQ(events, QStringList({QStringLiteral("begin /1"), QStringLiteral("end /1"),
                                   QStringLiteral("begin /2"), QStringLiteral("end /2")}));
}

TEST(OpenRequestQueueTest, AFailingOpenDoesNotStopLaterOnes) {
    QStringList opened;
    TOpenRequestQueue queue([&](const TOpenRequests& requests) {
        opened.append(requests.at(0).Path);
        if (requests.at(0).Path == u"/1") {
            throw std::runtime_error("disk gone");
        }
    });
    queue.Release();
    EXPECT_THROW(queue.Push(Named(QStringLiteral("/1"))), std::runtime_error);
    queue.Push(Named(QStringLiteral("/2")));
    EXPECT_EQ(opened, QStringList({QStringLiteral("/1"), QStringLiteral("/2")}));
}

}  // namespace
