// The batch command over SFTP, as a user runs it: the real executable and office against a real
// OpenSSH server. The same lecture as over FTP, with the same messages; the host key must have
// been trusted (the wizard asks; the batch command, with nobody to ask, refuses), and a changed
// key is refused.
#include "BatchProcess.h"
#include "platform/SettingsStore.h"
#include "platform/ftp/TransferControl.h"
#include "support/SshServer.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

class TestBatchSftp : public QObject {
    Q_OBJECT
    QTemporaryDir config_, talks_, work_;
    SshServer server_{[] {
        TestFtpServer::Options o;
        o.demoSeed = true; // alice / wonder; classes cs101fall26, ...; lecture Sep.14.2026.1
        return o;
    }()};

    BatchResult batch(const QStringList& args, const QString& corvanePassword = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path());
        env.insert("SLIDE_FERRY_CORVANE_PASSWORD",
                   corvanePassword.isEmpty() ? server_.password() : corvanePassword);
        env.insert("SLIDE_FERRY_LUMORA_PASSWORD", "wonder");
        BatchProcess p(env);
        p.start(SF_BATCH_PROGRAM, args);
        return p.finish();
    }

    QStringList lecture(const QString& more) const {
        return QStringList{"--server",    server_.server(), "--corvane-id", server_.user(),
                           "--lumora-id", "alice",          "--class",      "cs101fall26",
                           "--workdir",   work_.path()} +
                   more.split(' ', Qt::SkipEmptyParts)
               << talks_.filePath("basic_test_ppt_file.ppt");
    }

    QStringList files(const QString& dir) const {
        return QDir(server_.root() + "/lumora/classes/cs101fall26/" + dir)
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static QString why(const BatchResult& r) { return r.out + "\n--- stderr:\n" + r.err; }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        QVERIFY(QFile::copy(testEnv::presentationsDir() + "/basic_test_ppt_file.ppt",
                            talks_.filePath("basic_test_ppt_file.ppt")));
        settingsStore::useDirectory(config_.path()); // the batch command's store
    }

    // Unknown, the host key is refused with its fingerprint, before any login. Trusted (as the
    // wizard remembers it), the lecture goes over SFTP, encrypted so without the warning, also
    // with --require-encryption; an existing lecture is appended to, its own files kept.
    void wholeRoadOverSftp() {
        BatchResult r = batch(lecture("--date 2026-03-05"));
        QVERIFY2(r.exitCode == 1 && r.err.contains("The server's SSH key is not known yet") &&
                     r.err.contains(server_.hostKeyFingerprint()),
                 qPrintable(why(r)));
        QVERIFY(files("Mar.5.2026.1").isEmpty());

        TransferControl::rememberHostKey(server_.host(), server_.hostKeyFingerprint());
        QElapsedTimer clock;
        clock.start();
        r = batch(lecture("--date 2026-03-05 --require-encryption"));
        qInfo("batch run over SFTP, %lld ms:\n%s", static_cast<long long>(clock.elapsed()),
              qPrintable(why(r)));
        QVERIFY2(r.exitCode == 0 && !r.err.contains("warning"), qPrintable(why(r)));
        QCOMPARE(files("Mar.5.2026.1"), (QStringList{"Slide1.gif", "Slide2.gif", "blank.gif",
                                                     "description", "extract.stml"}));
        // No lock, claim or temporary file left beside the lectures.
        const QDir classDir(server_.root() + "/lumora/classes/cs101fall26");
        QCOMPARE(classDir.entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        const QString dir = "Sep.14.2026.1";
        const QByteArray oldSlide =
            server_.readFile("lumora/classes/cs101fall26/" + dir + "/Slide1.gif");
        r = batch(lecture("--date 2026-09-14 --if-exists append"));
        QVERIFY2(r.exitCode == 0 && r.out.contains("2 slides added after 2 (4 in all)"),
                 qPrintable(why(r)));
        QVERIFY(files(dir).contains("Slide4.gif"));
        QCOMPARE(server_.readFile("lumora/classes/cs101fall26/" + dir + "/Slide1.gif"), oldSlide);
    }

    // A wrong Corvane password, and a host key other than the trusted one: refused, named,
    // nothing sent.
    void refusals() {
        BatchResult r = batch(lecture("--date 2026-03-07"), "not-the-password");
        QVERIFY2(r.exitCode == 1 && r.err.contains("The server refused the login"),
                 qPrintable(why(r)));
        QVERIFY(server_.newHostKey());
        QVERIFY2(server_.restart(), qPrintable(server_.error()));
        r = batch(lecture("--date 2026-03-07"));
        QVERIFY2(r.exitCode == 1 && r.err.contains("The server's key changed since you trusted it"),
                 qPrintable(why(r)));
        QVERIFY(files("Mar.7.2026.1").isEmpty());
    }
};

QTEST_MAIN(TestBatchSftp)
#include "test_batch_sftp.moc"
