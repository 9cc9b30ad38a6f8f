#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

#include <memory>

#include "FileMaker.h"
#include "HandOverClient.h"
#include "InstanceName.h"
#include "OpenRequestPrinter.h"
#include "SingleInstance.h"

Q_DECLARE_METATYPE(TOpenRequests)

namespace {

using testsupport::MakeFile;

constexpr int Seconds = 1000;
constexpr uint Nobody = 65534;

// A second process: the test helper or the program itself. Its output is read line by line while the
// test's own event loop keeps running, so that a server in this process can answer it meanwhile.
class TPeer {
public:
    explicit TPeer(const QString& program, const QStringList& arguments,
                   std::optional<uint> user = std::nullopt, const QString& workingFolder = QString()) {
        if (user) {
            const uint id = *user;
            Process.setChildProcessModifier([id] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) {
                    ::_exit(126);
                }
            });
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        Process.setProcessEnvironment(environment);
        if (!workingFolder.isEmpty()) {
            Process.setWorkingDirectory(workingFolder);
        }
        Process.start(program, arguments);
    }
    ~TPeer() {
        if (Process.state() != QProcess::NotRunning) {
            Process.kill();
            Process.waitForFinished(5 * Seconds);
        }
    }

    static QString Helper() { return QStringLiteral(ORVALIS_BIN_DIR "/handover_peer"); }

    // Waits, with the event loop running, until a line starting with `start` arrives; returns it.
    QString WaitForLine(const QString& start, int milliseconds = 20 * Seconds) {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                Output += QString::fromLocal8Bit(Process.readAllStandardOutput());
                for (const QString& line : Output.split(u'\n')) {
                    if (line.startsWith(start) && Output.contains(line + u'\n')) {
                        found = line;
                        return true;
                    }
                }
                return Process.state() == QProcess::NotRunning && !Process.bytesAvailable();
            },
            milliseconds);
        return found;
    }
    bool WaitForEnd(int milliseconds = 30 * Seconds) {
        return QTest::qWaitFor([&] { return Process.state() == QProcess::NotRunning; }, milliseconds);
    }
    QString AllOutput() {
        Output += QString::fromLocal8Bit(Process.readAllStandardOutput());
        return Output;
    }
    void Crash() {
        Process.kill();
        Process.waitForFinished(5 * Seconds);
    }

    QProcess Process;

private:
    QString Output;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        qRegisterMetaType<TOpenRequests>();
        ASSERT_TRUE(Folder.isValid());
        Socket = Folder.filePath(QStringLiteral("orvalis-test"));
    }
    static TOpenRequests Requests(QSignalSpy& spy, int index = 0) {
        return spy.at(index).at(0).value<TOpenRequests>();
    }
    static bool Root() { return ::geteuid() == 0; }
    // Another user must be able to reach the folder and the socket in it: the runtime folder's own
    // protection is out of the way, so that only the program's check of the peer stands.
    void OpenFolderToEveryone() {
        QFile::setPermissions(Folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                 QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                 QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    }

    QTemporaryDir Folder;
    QString Socket;
};

// The program itself as the second start: its paths, made absolute against its working folder, reach
// the program that runs (here this test), missing ones left out, and it ends at once.
TEST_F(SingleInstanceTest, TheProgramStartedAgainHandsItsPathsOverAndEnds) {
    const QString pictures = Folder.filePath(QStringLiteral("pictures"));
    MakeFile(pictures + QStringLiteral("/a.jpg"));
    MakeFile(pictures + QStringLiteral("/Holiday/h.jpg"));
    MakeFile(pictures + QStringLiteral("/show.txt"));
    TSingleInstance running(InstanceSocketPath());
    ASSERT_EQ(running.Start({}, QDeadlineTimer(5 * Seconds)), TSingleInstance::TRole::Run);
    ASSERT_TRUE(running.Listening());
    QSignalSpy opened(&running, &TSingleInstance::OpenRequested);

    TPeer second(QStringLiteral(ORVALIS_BIN_DIR "/orvalis"),
                 {QStringLiteral("a.jpg"), QStringLiteral("Holiday"), QStringLiteral("missing.jpg"),
                  pictures + "/show.txt"},
                 std::nullopt, pictures);
    ASSERT_TRUE(opened.wait(30 * Seconds)) << second.AllOutput().toStdString();
    ASSERT_TRUE(second.WaitForEnd());
    EXPECT_EQ(second.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.Process.exitCode(), 0);
    EXPECT_EQ(Requests(opened), TOpenRequests({{TOpenKind::Picture, pictures + "/a.jpg"},
                                               {TOpenKind::Folder, pictures + "/Holiday"},
                                               {TOpenKind::ImageListFile, pictures + "/show.txt"}}));
}

// This process as the later start of a program that runs in another process, then a third start.
TEST_F(SingleInstanceTest, LaterStartsHandOverToTheProgramThatRuns) {
    const QString picture = MakeFile(Folder.filePath(QStringLiteral("b.png")));
    TPeer first(TPeer::Helper(), {QStringLiteral("run"), Socket});
    ASSERT_EQ(first.WaitForLine(QStringLiteral("run")), QStringLiteral("run listening"));

    TSingleInstance later(Socket);
    EXPECT_EQ(later.Start({{TOpenKind::Picture, picture}}, QDeadlineTimer(10 * Seconds)),
              TSingleInstance::TRole::HandedOver);
    EXPECT_FALSE(later.Listening());
    EXPECT_EQ(first.WaitForLine(QStringLiteral("open")), QStringLiteral("open 1 ") + picture);

    TPeer third(TPeer::Helper(), {QStringLiteral("start"), Socket});
    EXPECT_EQ(third.WaitForLine(QString()), QStringLiteral("handed-over"));
}

// A program that crashed leaves its lock file and its socket behind: the next start takes both over
// and serves the starts after it.
TEST_F(SingleInstanceTest, TheSocketAndLockOfACrashedProgramNeverBlockTheNextStart) {
    {
        TPeer crashing(TPeer::Helper(), {QStringLiteral("run"), Socket});
        ASSERT_EQ(crashing.WaitForLine(QStringLiteral("run")), QStringLiteral("run listening"));
        crashing.Crash();
    }
    ASSERT_TRUE(QFile::exists(Socket));
    ASSERT_TRUE(QFile::exists(Socket + QStringLiteral(".lock")));

    TSingleInstance next(Socket);
    ASSERT_EQ(next.Start({}, QDeadlineTimer(10 * Seconds)), TSingleInstance::TRole::Run);
    EXPECT_TRUE(next.Listening());

    QSignalSpy opened(&next, &TSingleInstance::OpenRequested);
    const QString picture = MakeFile(Folder.filePath(QStringLiteral("c.jpg")));
    TPeer after(TPeer::Helper(), {QStringLiteral("start"), Socket, picture});
    ASSERT_TRUE(opened.wait(20 * Seconds));
    EXPECT_EQ(Requests(opened), TOpenRequests({{TOpenKind::Picture, picture}}));
    EXPECT_EQ(after.WaitForLine(QString()), QStringLiteral("handed-over"));
}

// The lock alone (the socket file gone) and the socket alone (the lock gone) do not block either.
TEST_F(SingleInstanceTest, HalfOfWhatACrashLeavesDoesNotBlockEither) {
    for (const QString& left : {Socket, Socket + QStringLiteral(".lock")}) {
        {
            TPeer crashing(TPeer::Helper(), {QStringLiteral("run"), Socket});
            ASSERT_EQ(crashing.WaitForLine(QStringLiteral("run")), QStringLiteral("run listening"));
            crashing.Crash();
        }
        QFile::remove(left);
        TSingleInstance next(Socket);
        EXPECT_EQ(next.Start({}, QDeadlineTimer(10 * Seconds)), TSingleInstance::TRole::Run)
            << left.toStdString();
        EXPECT_TRUE(next.Listening());
    }
}

// A start of another user that reaches the socket is refused before anything of it is read; the same
// start as this user goes through.
TEST_F(SingleInstanceTest, AStartOfAnotherUserIsRefused) {
    if (!Root()) {
        GTEST_SKIP() << "starting a process as another user needs root";
    }
    OpenFolderToEveryone();
    const QString picture = MakeFile(Folder.filePath(QStringLiteral("d.jpg")));
    TSingleInstance running(Socket);
    ASSERT_EQ(running.Start({}, QDeadlineTimer(5 * Seconds)), TSingleInstance::TRole::Run);
    QFile::setPermissions(Socket, QFile::permissions(Socket) | QFile::ReadOther | QFile::WriteOther |
                                      QFile::ReadGroup | QFile::WriteGroup);
    QSignalSpy opened(&running, &TSingleInstance::OpenRequested);

    // Its own start does not hand paths to a program of another user either; one that sends all the
    // same is dropped unanswered.
    TPeer stranger(TPeer::Helper(), {QStringLiteral("send"), Socket, picture}, Nobody);
    EXPECT_EQ(stranger.WaitForLine(QString()), QStringLiteral("other-user"));
    TPeer intruder(TPeer::Helper(), {QStringLiteral("raw"), Socket, picture}, Nobody);
    EXPECT_EQ(intruder.WaitForLine(QString()), QStringLiteral("dropped"));
    QTest::qWait(200);
    EXPECT_EQ(opened.count(), 0);

    TPeer same(TPeer::Helper(), {QStringLiteral("send"), Socket, picture});
    EXPECT_EQ(same.WaitForLine(QString()), QStringLiteral("accepted"));
    ASSERT_TRUE(opened.count() > 0 || opened.wait(5 * Seconds));
    EXPECT_EQ(Requests(opened), TOpenRequests({{TOpenKind::Picture, picture}}));
}

// A program of another user listening under the name gets nothing: the start sees whose it is before
// sending.
TEST_F(SingleInstanceTest, NothingIsHandedToAProgramOfAnotherUser) {
    if (!Root()) {
        GTEST_SKIP() << "starting a process as another user needs root";
    }
    OpenFolderToEveryone();
    TPeer stranger(TPeer::Helper(), {QStringLiteral("serve"), Socket}, Nobody);
    ASSERT_EQ(stranger.WaitForLine(QStringLiteral("listening")), QStringLiteral("listening"))
        << stranger.AllOutput().toStdString();

    EXPECT_EQ(HandOver(Socket, {{TOpenKind::Picture, QStringLiteral("/secret/plans.jpg")}},
                       QDeadlineTimer(5 * Seconds)),
              THandOverResult::OtherUser);
    QTest::qWait(200);
    EXPECT_EQ(stranger.AllOutput(), QStringLiteral("listening\n"));
}

TEST_F(SingleInstanceTest, NobodyListeningIsNoProgram) {
    EXPECT_EQ(HandOver(Socket, {}, QDeadlineTimer(2 * Seconds)), THandOverResult::NoProgram);
}

}  // namespace
