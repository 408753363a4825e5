// The transfer component: its plain rules without a server (addresses, paths, the listing's
// filter and the outcome of a curl result), and its operations against a real local FTP server.
#include "platform/Failure.h"
#include "platform/ftp/TransferControl.h"
#include "platform/ftp/TransferHelpers.h"
#include "support/FtpRun.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(FtpOperation)

class TestTransferControl : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFtpServer> server_ = selectedFtpServer();
    QTemporaryDir local_;
    TransferControl inet_;

private slots:
    void initTestCase() {
        QVERIFY2(server_->start(), qPrintable(server_->error()));
        QVERIFY(local_.isValid());
        QVERIFY(server_->makeDir("lumora/classes/hist200spring27"));
        QVERIFY(server_->makeDir("lumora/classes/empty"));
        QVERIFY(server_->writeFile("lumora/classes/cs101fall26/9.14.2026.1/Slide12.gif", "x"));
        QVERIFY(server_->writeFile("lumora/classes/with blanks/a file.txt", "blank name"));
    }

    void init() {
        loginTo(inet_, *server_);
        inet_.setTimeouts(15000, 30000);
    }

    // Unusable input is refused at once, before anything is started or reported. (The server
    // addresses refused are listed by serverAddresses.)
    void unusableInputRaises_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<FtpOperation>("op");
        const auto ls = FtpOperation::ls("lumora");
        QTest::newRow("http") << "http://127.0.0.1" << ls;
        QTest::newRow("user in host") << "FTP://a@host" << ls;
        QTest::newRow("CR LF in path") << server_->url() << FtpOperation::cd("~/x\r\nDELE y");
        QTest::newRow("get without name")
            << server_->url() << FtpOperation::get("~/lumora/", local_.path() + "/f");
        QTest::newRow("put without local") << server_->url() << FtpOperation::put("", "~/f");
    }
    void unusableInputRaises() {
        QFETCH(QString, url);
        QFETCH(FtpOperation, op);
        int reports = 0;
        auto c = connect(&inet_, &TransferControl::StateChanged, [&] { ++reports; });
        QVERIFY_THROWS_EXCEPTION(Failure, inet_.Execute(url, op));
        QCoreApplication::processEvents();
        disconnect(c);
        QCOMPARE(reports, 0);
        QVERIFY(!inet_.StillExecuting());
    }

    // End state, ResponseCode and listing of each form: listings of a directory and of a name
    // in it, one name a line, each ended by CR LF. (Successful ends of each form are checked
    // by the tests below; the patterns are matched by the listing filter's test, and a glob or
    // a trailing slash lists alike on every server, see the server-differences test.)
    void endStates_data() {
        QTest::addColumn<FtpOperation>("op");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("listing"); // in any order
        const QString lecture = "~/lumora/classes/cs101fall26/9.14.2026.1";
        QTest::newRow("cd login dir") << FtpOperation::cd("~/") << 0 << QStringList{};
        QTest::newRow("cd missing")
            << FtpOperation::cd("~/lumora/classes/nothere") << 12003 << QStringList{};
        QTest::newRow("cd a file") << FtpOperation::cd("~/lumora/classes/with blanks/a file.txt")
                                   << 12003 << QStringList{};
        QTest::newRow("mkdir existing")
            << FtpOperation::mkdir(lecture + "/") << 12003 << QStringList{};
        QTest::newRow("mkdir missing parent")
            << FtpOperation::mkdir("~/lumora/none/x") << 12003 << QStringList{};
        QTest::newRow("put to missing dir")
            << FtpOperation::put(SF_TOOLS_DIR "/lumora_server.py", "~/lumora/none/x.py") << 12003
            << QStringList{};
        QTest::newRow("ls missing dir")
            << FtpOperation::ls("~/lumora/none/*") << 12003 << QStringList{};
        // A fetch into a folder that does not exist is a local-file error naming the path. (A
        // missing local file to send is met by the server session's failed-put test.)
        QTest::newRow("get into missing folder")
            << FtpOperation::get("~/lumora/classes/with blanks/a file.txt",
                                 local_.path() + "/no such dir/file")
            << 12004 << QStringList{};
        QTest::newRow("ls exact file")
            << FtpOperation::ls(lecture + "/Slide12.gif") << 0 << QStringList{"Slide12.gif"};
        QTest::newRow("ls exact dir")
            << FtpOperation::ls(lecture) << 0 << QStringList{"9.14.2026.1"};
        QTest::newRow("ls missing name")
            << FtpOperation::ls(lecture + "/Slide2.gif") << 0 << QStringList{};
        QTest::newRow("ls empty dir")
            << FtpOperation::ls("~/lumora/classes/empty/*") << 0 << QStringList{};
        QTest::newRow("ls blanks") << FtpOperation::ls("~/lumora/classes/with blanks/a file.txt")
                                   << 0 << QStringList{"a file.txt"};
    }
    void endStates() {
        QFETCH(FtpOperation, op);
        QFETCH(int, code);
        QFETCH(QStringList, listing);
        const FtpOutcome out = runFtp(inet_, op);
        QCOMPARE(out.states, QList<int>{code == 0 ? 12 : 11});
        QCOMPARE(out.code, code);
        QCOMPARE(out.info.isEmpty(), code == 0);
        QVERIFY2(code != 12004 || out.info.contains(local_.path() + "/no such dir/file"),
                 qPrintable(out.info));
        QStringList lines = out.text.split("\r\n");
        QCOMPARE(lines.takeLast(), QString());
        lines.sort();
        listing.sort();
        QCOMPARE(lines, listing);
        QVERIFY(!inet_.StillExecuting());
    }

    // Files travel byte for byte, whatever their bytes, size and names, and replace the file
    // at the target. A failed fetch leaves no local file, not even the one there before.
    void copiesAreExact_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("remote");
        QTest::newRow("line ends and NUL")
            << QByteArray("a\r\nb\nc\rd\0e\r\n\x1a\xff\x80", 14) << "lumora/classes/bin.dat";
        QTest::newRow("empty") << QByteArray() << "lumora/classes/empty.dat";
        QByteArray big(5 * 1024 * 1024 + 17, Qt::Uninitialized);
        QRandomGenerator gen(42);
        for (char& c : big)
            c = static_cast<char>(gen.bounded(256));
        QTest::newRow("several MB") << big << "lumora/classes/big.dat";
        QTest::newRow("blanks") << QByteArray("text\r\n") << "lumora/classes/with blanks/b c.txt";
        QTest::newRow("URL characters") << QByteArray("a\r\n")
                                        << QString::fromUtf8("lumora/Gr\xc3\xbc\xc3\x9f"
                                                             "e 50% #1?;type=a.txt");
    }
    void copiesAreExact() {
        QFETCH(QByteArray, data);
        QFETCH(QString, remote);
        const QString src = local_.path() + "/up dir/source file.bin";
        const QString dst = local_.path() + "/down dir/target file.bin";
        QVERIFY(testEnv::writeFile(src, data));
        QVERIFY(testEnv::writeFile(dst, "stale content that is longer"));
        QVERIFY(server_->writeFile(remote, "old content that is longer"));

        FtpOutcome out = runFtp(inet_, FtpOperation::put(src, "~/" + remote));
        QCOMPARE(out.states, QList<int>{12});
        QCOMPARE(server_->readFile(remote), data);

        out = runFtp(inet_, FtpOperation::get("~/" + remote, dst));
        QCOMPARE(out.states, QList<int>{12});
        QCOMPARE(out.code, 0);
        QCOMPARE(testEnv::readFile(dst), data);
        QCOMPARE(runFtp(inet_, FtpOperation::get("~/" + remote + ".none", dst)).code, 12003);
        QVERIFY(!QFile::exists(dst));
    }

    // Many short operations back to back on the kept connection: each one ends promptly with
    // its own result (a step that the transfer library fails to resume shows up as a time-out).
    void manyOperationsInARow() {
        inet_.setTimeouts(15000, 5000);
        QVERIFY(server_->writeFile("lumora/row/small.txt", "small"));
        const QString dst = local_.path() + "/small.txt";
        for (int i = 0; i < 60; ++i) {
            QCOMPARE(runFtp(inet_, FtpOperation::ls("~/lumora/row/*")).text,
                     QStringLiteral("small.txt\r\n"));
            QCOMPARE(runFtp(inet_, FtpOperation::get("~/lumora/row/small.txt", dst)).code, 0);
            QCOMPARE(runFtp(inet_, FtpOperation::put(dst, "~/lumora/row/small.txt")).code, 0);
        }
        QCOMPARE(server_->readFile("lumora/row/small.txt"), QByteArray("small"));
    }

    // A server that accepts the connection but never greets: the login ends at the time-out
    // (12002), and the component is usable again afterwards. (A wrong password and a port where
    // nothing listens are checked through the connection test.)
    void noGreetingTimesOut() {
        QProcess listener; // accepts connections and never serves them
        QString error;
        const quint16 port = TestFtpServer::startPortPrinter(
            listener,
            {"-c", "import socket, sys; s = socket.socket(); s.bind(('127.0.0.1', 0)); "
                   "s.listen(4); print('PORT %d' % s.getsockname()[1], flush=True); "
                   "sys.stdin.read()"},
            error);
        QVERIFY2(port != 0, qPrintable(error));
        inet_.URL = QStringLiteral("FTP://127.0.0.1:%1").arg(port);
        inet_.setTimeouts(1000, 1000);
        const FtpOutcome out = runFtp(inet_, FtpOperation::ls("lumora"));
        listener.kill();
        listener.waitForFinished();
        QCOMPARE(out.states, QList<int>{11});
        QCOMPARE(out.code, 12002);
        QVERIFY(!out.info.isEmpty() && out.text.isEmpty());
        loginTo(inet_, *server_);
        QCOMPARE(runFtp(inet_, FtpOperation::cd("~/lumora")).code, 0);
    }

    // A kept connection idle for longer than the stall time-out still serves every form, also
    // when the operation's directory is the one the connection is already in.
    void idleKeptConnection() {
        inet_.setTimeouts(2000, 2000);
        const QString dir = QStringLiteral("~/lumora/classes/hist200spring27");
        QCOMPARE(runFtp(inet_, FtpOperation::ls(dir + "/*")).code, 0);
        for (const FtpOperation& op : {FtpOperation::cd(dir), FtpOperation::mkdir(dir + "/idle")}) {
            QTest::qWait(2200);
            QCOMPARE(runFtp(inet_, op).code, 0);
        }
    }

    // One operation at a time: another is refused while one runs, which still ends with its own
    // result. CLOSE while an operation runs ends it (11), then reports its own end (12); the
    // next operation opens a new session. (A session dropped by the server is met by the
    // wizard-level fault tests and the ProFTPD idle time-out; the scheme in any case by
    // serverAddresses.)
    void oneOperationAtATimeAndClose() {
        QList<int> states;
        auto c = connect(&inet_, &TransferControl::StateChanged, [&](int s) { states << s; });
        inet_.Execute(inet_.URL, FtpOperation::ls("~/lumora/*"));
        QVERIFY(inet_.StillExecuting());
        QVERIFY_THROWS_EXCEPTION(Failure, inet_.Execute(inet_.URL, FtpOperation::cd("~/lumora")));
        QTRY_COMPARE_WITH_TIMEOUT(states.size(), 1, 60000);
        QCoreApplication::processEvents();
        QCOMPARE(states, QList<int>{12});
        QVERIFY(inet_.GetChunk(1024).contains("classes\r\n"));

        states.clear();
        inet_.Execute(inet_.URL, FtpOperation::ls("~/lumora/*"));
        inet_.Execute(inet_.URL, FtpOperation::close());
        QTRY_COMPARE_WITH_TIMEOUT(states.size(), 2, 30000);
        QCoreApplication::processEvents();
        disconnect(c);
        QCOMPARE(states, (QList<int>{11, 12}));
        QCOMPARE(inet_.ResponseCode(), 0);
        QCOMPARE(runFtp(inet_, FtpOperation::cd("~/lumora")).code, 0);
    }

    // A server without TLS gets the login in clear text, and the component says so; with
    // encryption required it is refused before the login (the test servers offer no TLS; the
    // encrypted cases: test_encryption_kept).
    void loginInClearOrRefused() {
        TransferControl inet;
        loginTo(inet, *server_);
        QCOMPARE(runFtp(inet, FtpOperation::cd("~/lumora")).code, 0);
        QVERIFY(inet.LoggedInClear());
        QCOMPARE(runFtp(inet, FtpOperation::close()).code, 0);
        inet.RequireEncryption = true;
        const FtpOutcome refused = runFtp(inet, FtpOperation::cd("~/lumora"));
        QCOMPARE(refused.code, int(TransferControl::SecureChannelFailed));
        QVERIFY2(refused.info.contains("the login was not sent"), qPrintable(refused.info));
        QVERIFY(!inet.LoggedInClear());
    }

    // The host keeps its port and brackets; anything but a DNS name or a bracketed IPv6
    // address with a port of 1 to 65535 is refused before a connection is tried.
    void serverAddresses() {
        QCOMPARE(hostFromUrl("FtP://Lumora.example:2121/"), QString("Lumora.example:2121"));
        QCOMPARE(hostFromUrl("ftp://[::1]:21"), QString("[::1]:21"));
        QCOMPARE(hostFromUrl("ftp://my_host.local."), QString("my_host.local."));
        QCOMPARE(hostFromUrl("SFTP://Lumora.example:2222"), QString("Lumora.example:2222"));
        QVERIFY(isSftpUrl("sftp://h") && !isSftpUrl("ftp://h"));
        QCOMPARE(TransferControl::urlOf("h:21"), QString("FTP://h:21"));
        QCOMPARE(TransferControl::urlOf("sftp://h:22"), QString("sftp://h:22"));
        for (const char* bad : {"http://host", "ftp://", "ftp:///", "ftp://host:0",
                                "ftp://host:65536", "ftp://host:", "ftp://-host", "ftp://ho st",
                                "ftp://host/dir", "ftp://::1", "ftp://[::1", "ftp://a..b"})
            QVERIFY_THROWS_EXCEPTION(Failure, hostFromUrl(QString::fromLatin1(bad)));
        // The name a certificate must carry.
        QCOMPARE(hostNameOf("[fe80::1]:2121"), QString("fe80::1"));
        QCOMPARE(hostNameOf("Lumora.example.:21"), QString("Lumora.example"));
        QCOMPARE(hostNameOf("lumora"), QString("lumora"));
    }

    void serverPaths() {
        RemotePath p = splitRemote("~/lumora//a b/notes.txt");
        QVERIFY(!p.absolute);
        QCOMPARE(p.dirs, (QStringList{"lumora", "a b"}));
        QCOMPARE(p.last, QString("notes.txt"));
        p = splitRemote("/srv/x#1;?/");
        QVERIFY(p.absolute);
        QCOMPARE(p.last, QString());
        QCOMPARE(dirUrl("h:21", p), QByteArray("ftp://h:21/%2Fsrv/x%231%3B%3F/"));
        p = splitRemote("~");
        QVERIFY(!p.absolute && p.dirs.isEmpty() && p.last.isEmpty());
        QCOMPARE(dirUrl("h", splitRemote("~/")), QByteArray("ftp://h/"));
        // Over SFTP the login directory is the home; a command's path is quoted, relative to it.
        QCOMPARE(dirUrl("h", splitRemote("~/a b/"), true), QByteArray("sftp://h/~/a%20b/"));
        QCOMPARE(dirUrl("h", splitRemote("/srv/"), true), QByteArray("sftp://h/srv/"));
        QCOMPARE(sftpCommandPath(splitRemote("~/a \"b\"\\c/d")),
                 QByteArray("\"a \\\"b\\\"\\\\c/d\""));
        QCOMPARE(sftpCommandPath(splitRemote("/srv/x")), QByteArray("\"/srv/x\""));
        QCOMPARE(sftpCommandPath(splitRemote("~")), QByteArray("\".\""));
    }

    void listingFilter_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all, sorted by code") << ""
                                             << "B.txt|a.txt|notes.md|sub/|";
        QTest::newRow("star") << "*"
                              << "B.txt|a.txt|notes.md|sub/|";
        QTest::newRow("suffix") << "*.txt"
                                << "B.txt|a.txt|";
        QTest::newRow("one character") << "?.txt"
                                       << "B.txt|a.txt|";
        QTest::newRow("backtracking") << "n*t*.m?"
                                      << "notes.md|";
        QTest::newRow("directory by bare name") << "sub"
                                                << "sub/|";
        QTest::newRow("hidden only for a dot pattern") << ".*"
                                                       << ".hidden|";
        QTest::newRow("no match") << "*.pdf"
                                  << "";
    }
    void listingFilter() {
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        const QByteArray received = "./\r\n../\r\n.hidden\r\nnotes.md\na.txt\r\n\r\n"
                                    "lumora/sub/\r\nB.txt\r\n";
        QCOMPARE(listingOf(received, pattern).replace("\r\n", "|"), expected);
    }

    void curlOutcomes_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("words");
        QTest::newRow("refused names the operation")
            << int(CURLE_REMOTE_FILE_NOT_FOUND) << QByteArray("550 No such file") << 12003
            << "The server refused CD x (detail: 550 No such file)";
        QTest::newRow("421 ends the session whatever curl says")
            << int(CURLE_REMOTE_ACCESS_DENIED) << QByteArray("421 Idle") << 12030
            << "The server ended the session (421 Idle)";
        QTest::newRow("partial file is a lost connection")
            << int(CURLE_PARTIAL_FILE) << QByteArray() << 12030
            << "The connection to the server was lost (detail)";
        QTest::newRow("code without its own meaning")
            << int(CURLE_BAD_FUNCTION_ARGUMENT) << QByteArray("500 ?") << 12004
            << "The FTP transfer failed (detail: 500 ?)";
        QTest::newRow("code curl does not know")
            << 9999 << QByteArray() << 12004 << "The FTP transfer failed (detail)";
    }
    void curlOutcomes() {
        QFETCH(int, result);
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QFETCH(QString, words);
        const TransferOutcome o =
            outcomeOf(static_cast<CURLcode>(result), reply, "detail", "CD x", std::nullopt);
        QCOMPARE(o.code, code);
        QCOMPARE(o.info, words);
    }

    // Without a text of its own, curl's general words for the result; the certificate's own
    // reason in place of curl's when one was seen.
    void outcomeWords() {
        QCOMPARE(outcomeOf(CURLE_COULDNT_CONNECT, {}, {}, "CD x", std::nullopt).info,
                 QString("Cannot connect to the server (%1)")
                     .arg(QString::fromUtf8(curl_easy_strerror(CURLE_COULDNT_CONNECT))));
        const TransferOutcome o =
            outcomeOf(CURLE_PEER_FAILED_VERIFICATION, {}, "detail", "CD x", "self-signed");
        QCOMPARE(o.code, int(TransferControl::CertificateRefused));
        QCOMPARE(o.info, QString("The server's certificate was not trusted (self-signed)"));
    }

    void cleanupTestCase() { server_->stop(); }
};

QTEST_GUILESS_MAIN(TestTransferControl)
#include "test_transfer_control.moc"
