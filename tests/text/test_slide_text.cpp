#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "lecture/LectureRecord.h"
#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "support/FakeReader.h"

namespace {

QByteArray lines(const QList<QByteArray>& list) {
    QByteArray out;
    for (const QByteArray& l : list)
        out += l + "\r\n";
    return out;
}

} // namespace

class TestSlideText : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    LectureRecord fields_;
    FakeReader reader_;

    QString work(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    QByteArray read(const QString& name) const {
        QFile f(work(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void put(const QString& name, const QByteArray& bytes) const {
        QFile f(work(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            throw Failure(QStringLiteral("cannot write ") + name);
    }
    // Copies the server's bytes into the working directory; a null array: no file on the server.
    FetchFn fetchOf(const QString& name, const QByteArray& server) const {
        return [this, name, server] {
            if (server.isNull())
                return false;
            put(name, server);
            return true;
        };
    }
    void setRange(const char* first, const char* last) {
        fields_.firstSlide = QLatin1String(first);
        fields_.lastSlide = QLatin1String(last);
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QDir(dir_.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir_.path()));
        fields_ = LectureRecord();
        fields_.workDir = dir_.path();
        reader_.slides.clear();
    }

    void rules_data() {
        QTest::addColumn<bool>("notes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("sentences"); // without the tags
        QTest::newRow("A CR CR B") << false << "A\r\rB" << QStringList{"A", "", "B"};
        QTest::newRow("A CR") << false << "A\r" << QStringList{"A"};
        QTest::newRow("CR LF B") << false << "\r\nB" << QStringList{"", "B"};
        QTest::newRow("empty") << false << "" << QStringList{};
        QTest::newRow("code 11 kept, markup unchanged")
            << false << "a\x0B<b>&" << QStringList{"a\x0B<b>&"};
        QTest::newRow("notes CR only") << true << "\r" << QStringList{""};
        QTest::newRow("notes empty") << true << "" << QStringList{};
    }
    void rules() {
        QFETCH(bool, notes);
        QFETCH(QString, text);
        QFETCH(QStringList, sentences);
        for (QString& s : sentences)
            s = QStringLiteral("<sentence>") + s + QStringLiteral("</sentence>");
        QCOMPARE(notes ? notesSentences(text) : slideSentences(text), sentences);
    }

    // The slide under test sits between two good slides: whatever it holds or whichever of its
    // reads fails, the others are written whole.
    void slideContent_data() {
        QTest::addColumn<FakeSlide>("slide");
        QTest::addColumn<QByteArray>("slideText"); // lines between <slide> and </slide>
        QTest::addColumn<QByteArray>("notesText");
        const FakeShape pic{false, {}};
        QTest::newRow("title, body, notes")
            << titled("T", "B1\rB2", "n1\rn2")
            << lines({"<title>T</title>", "<sentence>B1</sentence>", "<sentence>B2</sentence>"})
            << lines({"<sentence>n1n2</sentence>"});
        QTest::newRow("three shapes: no sentences")
            << FakeSlide{{{true, "T"}, {true, "B"}, pic}, {{}, {true, "n"}, {}}, {}}
            << lines({"<title>T</title>"}) << QByteArray();
        QTest::newRow("no text frames")
            << FakeSlide{{pic, pic}, {}, {}} << lines({"<title></title>"}) << QByteArray();
        QTest::newRow("no shapes") << FakeSlide{} << QByteArray() << QByteArray();
        QTest::newRow("title in one piece, Windows-1252")
            << titled("a\rb\nc\x0B\u20AC\u65E5 <&>")
            << QByteArray("<title>a\rb\nc\x0B\x80? <&></title>\r\n") << QByteArray();
        QTest::newRow("title read fails") << FakeSlide{{{true, "T"}, {true, "B"}}, {}, {"title"}}
                                          << lines({"<sentence>B</sentence>"}) << QByteArray();
        QTest::newRow("body and notes reads fail")
            << FakeSlide{{{true, "T"}, {true, "B"}}, {{}, {true, "n"}}, {"body", "notes"}}
            << lines({"<title>T</title>"}) << QByteArray();
    }
    void slideContent() {
        QFETCH(FakeSlide, slide);
        QFETCH(QByteArray, slideText);
        QFETCH(QByteArray, notesText);
        reader_.slides[1] = titled("one");
        reader_.slides[2] = slide;
        reader_.slides[3] = titled("three", "x", "y");
        setRange(" 1", "3 ");
        writeSlideText(reader_, fields_, false, {});
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(read("extract.stml"),
                 lines({"<stml>", "<slide>", "<title>one</title>", "</slide>", "<slide>"}) +
                     slideText +
                     lines({"</slide>", "<slide>", "<title>three</title>", "<sentence>x</sentence>",
                            "</slide>", "</stml>"}));
        QCOMPARE(
            read("extract.ntml"),
            lines({"<ntml>", "<slide>", "</slide>", "<slide>"}) + notesText +
                lines({"</slide>", "<slide>", "<sentence>y</sentence>", "</slide>", "</ntml>"}));
    }

    void ranges() {
        reader_.slides[1] = titled("Intro", "Hello\rWorld");
        // First beyond last: an earlier file is replaced by two lines.
        put("extract.stml", "old");
        setRange(" 3", " 2");
        writeSlideText(reader_, fields_, false, {});
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(read("extract.stml"), lines({"<stml>", "</stml>"}));
        QCOMPARE(read("extract.ntml"), lines({"<ntml>", "</ntml>"}));

        // Slides beyond the presentation give empty slide elements.
        setRange("2", "3");
        writeSlideText(reader_, fields_, false, {});
        QCOMPARE(read("extract.stml"),
                 lines({"<stml>", "<slide>", "</slide>", "<slide>", "</slide>", "</stml>"}));
    }

    void merge_data() {
        QTest::addColumn<QByteArray>("server"); // null: the server holds no file
        QTest::addColumn<QByteArray>("kept");   // what precedes the new slides
        const QByteArray open = "<stml>\r\n";
        QTest::newRow("no server file") << QByteArray() << open;
        QTest::newRow("empty server file") << QByteArray("") << open;
        QTest::newRow("closing tag only") << QByteArray("</stml>") << open;
        QTest::newRow("first closing tag ends the file")
            << QByteArray("<stml>\r\n</stml>\r\n<slide>\r\n</stml>\r\n") << open;
        const QByteArray odd = "<stml>\r\n</STML>\r\n<title></stml></title>\r\nx\r</stml>\r\n";
        QTest::newRow("closing tag only at a line start") << odd + "</stml>x" << odd;
    }
    void merge() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, kept);
        // A file of an earlier transfer is never taken for the server's.
        put("extract.stml", lines({"<stml>", "<title>stale</title>", "</stml>"}));
        reader_.slides[1] = titled("New");
        writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server));
        QCOMPARE(read("extract.stml"),
                 kept + lines({"<slide>", "<title>New</title>", "</slide>", "</stml>"}));
        QVERIFY(!QFile::exists(work("extract1.stml")));
    }

    void mergeNotes() {
        // A stale temporary copy of an earlier merge does not block this one; "</stml>" is no
        // closing tag here.
        put("extract1.ntml", "stale");
        reader_.slides[1] = titled("", "", "new");
        const QByteArray old = lines({"<ntml>", "</stml>"});
        writeNotesText(reader_, fields_, true, fetchOf("extract.ntml", old + "</ntml>\r\n"));
        QCOMPARE(read("extract.ntml"),
                 old + lines({"<slide>", "<sentence>new</sentence>", "</slide>", "</ntml>"}));
        QVERIFY(!QFile::exists(work("extract1.ntml")));
    }

    // A merge or a file that cannot be done stops the transfer with a Failure; nothing that lost
    // the old slides is left behind as the file to upload.
    void failures() {
        reader_.slides[1] = titled("New");
        const QByteArray server = lines({"<stml>", "<slide>", "</slide>", "</stml>"});
        try {
            writeSlideText(reader_, fields_, true, []() -> bool { throw Failure("550 denied"); });
            QFAIL("no Failure");
        } catch (const Failure& f) {
            QCOMPARE(f.description(), QStringLiteral("550 denied"));
        }
        QVERIFY(!QFile::exists(work("extract.stml")));

        // Success reported, but no file arrived.
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 writeSlideText(reader_, fields_, true, [] { return true; }));

        // The rename is blocked; the fetched file stays as the server sent it.
        QVERIFY(QDir(dir_.path()).mkdir("extract1.stml"));
        QVERIFY_THROWS_EXCEPTION(
            Failure, writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server)));
        QCOMPARE(read("extract.stml"), server);

        // The file's name is taken by a directory, the working directory is missing or not given.
        QVERIFY(QDir(dir_.path()).mkdir("extract.ntml"));
        QVERIFY_THROWS_EXCEPTION(Failure, writeNotesText(reader_, fields_, false, {}));
        QVERIFY_THROWS_EXCEPTION(
            Failure, writeNotesText(reader_, fields_, true, fetchOf("extract.ntml", server)));
    }
};

QTEST_GUILESS_MAIN(TestSlideText)
#include "test_slide_text.moc"
