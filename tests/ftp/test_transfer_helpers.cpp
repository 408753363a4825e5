// The transfer component's plain rules, without a server: addresses, paths, the listing's
// filter and the outcome of a curl result.
#include "platform/Failure.h"
#include "platform/ftp/TransferControl.h"
#include "platform/ftp/TransferHelpers.h"

#include <QTest>

class TestTransferHelpers : public QObject {
    Q_OBJECT

private slots:
    // The host keeps its port and brackets; anything but a DNS name or a bracketed IPv6
    // address with a port of 1 to 65535 is refused before a connection is tried.
    void serverAddresses() {
        QCOMPARE(hostFromUrl("FtP://Lumora.example:2121/"), QString("Lumora.example:2121"));
        QCOMPARE(hostFromUrl("ftp://[::1]:21"), QString("[::1]:21"));
        QCOMPARE(hostFromUrl("ftp://my_host.local."), QString("my_host.local."));
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
};

QTEST_GUILESS_MAIN(TestTransferHelpers)
#include "test_transfer_helpers.moc"
