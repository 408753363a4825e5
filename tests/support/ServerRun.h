#pragma once

// Header only: for tests that link the server session (sf_server). One run of the server
// session against a test server: channel, lecture for lecture cs101 on Mar 5 1999,
// working directory and progress lines; the program's end throws ProgramEnded.
#include "platform/Failure.h"
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "platform/ftp/TransferControl.h"
#include "server/LectureOpening.h"
#include "server/ModuleFtp.h"
#include "support/TestEnv.h"
#include "support/TestFtpServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <optional>

struct ServerRun {
    struct Lines : ProgressSink {
        QStringList lines;
        void Add(const QString& text) override { lines.append(text); }
    };
    TransferControl inet;
    LectureRecord lecture;
    ModuleFtp m{inet, lecture};
    QTemporaryDir work;
    Lines progress;
    int asked = 0;
    int choice = -1;          // the lecture-exists dialog's answer

    // Connects with the server's own account.
    explicit ServerRun(const TestFtpServer& server) {
        programEnd::setHandler([] {});
        lecture.host = server.server();
        // The test server's SSH host key (an SFTP run) is trusted as a user would.
        inet.askTrust = [](const CertificateInfo& c) { return c.hostKey; };
        lecture.corvaneId = server.user();
        lecture.corvanePassword = server.password();
        lecture.workDir = work.path();
        lecture.className = QStringLiteral("cs101");
        lecture.month = QStringLiteral("Mar");
        lecture.day = QStringLiteral("5");
        lecture.year = QStringLiteral("1999");
        lecture.session = QStringLiteral("1");
        m.progress = &progress;
        // A choice of -1 stands for the dialog closed without one.
        m.askLectureExists = [this](const ExistingLecture&) {
            ++asked;
            return choice < 0 ? LectureExistsChoice::ChangeLectureDate
                              : static_cast<LectureExistsChoice>(choice);
        };
        m.lectureDir = QStringLiteral("classes/cs101/Mar.5.1999.1/");
        inet.setTimeouts(10000, 20000);
        try {
            if (!m.ftpConnect())
                qWarning("connection test failed: certificate refused");
        } catch (const Failure& f) {
            qWarning("connection test failed: %s", qPrintable(f.message(lecture.host)));
        }
    }
    ~ServerRun() { programEnd::setHandler({}); }

    // Runs a server step that must fail and gives the message the front end shows for it ("" when
    // it did not fail). A stop is no failure: it goes on to the caller.
    template <class Step> QString failureOf(Step step) {
        try {
            step();
        } catch (const Failure& f) {
            if (f.stopped())
                throw;
            return f.message(lecture.host);
        }
        return {};
    }

    // Opens m.lectureDir for a transfer, as a new lecture or an append; true when appending.
    bool open(bool append) {
        ftpOpenLecture(m, append);
        return append;
    }

    bool writeLocal(const QString& name, const QByteArray& data) {
        return testEnv::writeFile(work.filePath(name), data);
    }
    // The working files of a transfer of slides first..last ("slide <n>" each).
    bool writeLecture(int first, int last, const QString& format = QStringLiteral("GIF")) {
        lecture.imageFormat = format;
        lecture.firstSlide = first;
        lecture.lastSlide = last;
        bool ok = writeLocal("blank." + format, "blank") && writeLocal("description", "d") &&
                  writeLocal("extract.stml", "<stml>\r\n</stml>\r\n");
        for (int i = first; i <= last; ++i)
            ok = ok && writeLocal(QStringLiteral("Slide%1.%2").arg(i).arg(format),
                                  "slide " + QByteArray::number(i));
        return ok;
    }
};

// The set-up of the server-session suites: one server for the whole suite and, before each
// test, the bare layout with one class, cs101 (restarting a server that a test stopped);
// connect() gives the test's run against it.
struct ServerSuite {
    std::unique_ptr<TestFtpServer> server;
    std::optional<ServerRun> run;
    QTemporaryDir settings; // what the runs remember (an SFTP server's host key)

    bool start(std::unique_ptr<TestFtpServer> s) {
        settingsStore::useDirectory(settings.path());
        server = std::move(s);
        return server->start();
    }
    bool reset() {
        run.reset();
        return (server->isRunning() || server->restart()) &&
               QDir(server->lumoraDir() + "/classes").removeRecursively() &&
               server->makeDir("lumora/classes/cs101");
    }
    ServerRun& connect() { return run.emplace(*server); }
    // The names in a directory of the server's lumora tree (lecture session 1 unless given).
    QStringList names(const QString& dir = QStringLiteral("classes/cs101/Mar.5.1999.1")) const {
        return QDir(server->lumoraDir() + "/" + dir)
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
};
