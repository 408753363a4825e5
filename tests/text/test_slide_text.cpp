#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "lecture/LectureRecord.h"
#include "pipeline/CodePageCheck.h"
#include "pipeline/Description.h"
#include "pipeline/SlideText.h"
#include "pipeline/WorkingFiles.h"
#include "platform/AnsiText.h"
#include "platform/Failure.h"
#include "support/FakeReader.h"
#include "support/TestEnv.h"

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
    QByteArray read(const QString& name) const { return testEnv::readFile(work(name)); }
    void put(const QString& name, const QByteArray& bytes) const {
        if (!testEnv::writeFile(work(name), bytes))
            throw Failure(QStringLiteral("cannot write ") + name);
    }
    // Copies the server's bytes into the working directory.
    FetchFn fetchOf(const QString& name, const QByteArray& server) const {
        return [this, name, server] {
            put(name, server);
            return true;
        };
    }
    void setRange(int first, int last) {
        fields_.firstSlide = first;
        fields_.lastSlide = last;
    }

private slots:
    void init() {
        QDir(dir_.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir_.path()));
        fields_ = LectureRecord();
        fields_.workDir = dir_.path();
        reader_.slides.clear();
    }

    // The sentence rules. (A last paragraph end, line feeds and code 11 in a paragraph are
    // checked on every kept input of the text-rules fuzz target.)
    void rules_data() {
        QTest::addColumn<bool>("notes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("sentences"); // without the tags
        QTest::newRow("A CR CR B") << false << "A\r\rB" << QStringList{"A", "", "B"};
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
        QTest::newRow("title on one line, Windows-1252")
            << titled("a\rb\r\nc\x0B\u20AC\u65E5 <&>")
            << QByteArray("<title>a b c \x80? <&></title>\r\n") << QByteArray();
        QTest::newRow("title read fails") << FakeSlide{{{true, "T"}, {true, "B"}}, {}, {"title"}}
                                          << lines({"<sentence>B</sentence>"}) << QByteArray();
        QTest::newRow("body and notes reads fail")
            << FakeSlide{{{true, "T"}, {true, "B"}}, {{}, {true, "n"}}, {"body", "notes"}}
            << lines({"<title>T</title>"}) << QByteArray();
        QTest::newRow("beyond the presentation: every read fails")
            << FakeSlide{{}, {}, {"count", ""}} << QByteArray() << QByteArray();
    }
    void slideContent() {
        QFETCH(FakeSlide, slide);
        QFETCH(QByteArray, slideText);
        QFETCH(QByteArray, notesText);
        reader_.slides[1] = titled("one");
        reader_.slides[2] = slide;
        reader_.slides[3] = titled("three", "x", "y");
        setRange(1, 3);
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

    // First beyond last: an earlier file is replaced by two lines.
    void firstBeyondLast() {
        reader_.slides[1] = titled("Intro", "Hello\rWorld");
        put("extract.stml", "old");
        setRange(3, 2);
        writeSlideText(reader_, fields_, false, {});
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(read("extract.stml"), lines({"<stml>", "</stml>"}));
        QCOMPARE(read("extract.ntml"), lines({"<ntml>", "</ntml>"}));
    }

    // Appending to the server's slide-text file. (A server without the file, and the file of an
    // earlier transfer left in the working directory, are checked on the kept inputs of the
    // text-merge fuzz target.)
    void merge_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("kept"); // what precedes the new slides
        const QByteArray open = "<stml>\r\n";
        QTest::newRow("empty server file") << QByteArray("") << open;
        QTest::newRow("closing tag only") << QByteArray("</stml>") << open;
        QTest::newRow("first closing tag ends the file")
            << QByteArray("<stml>\r\n</stml>\r\n<slide>\r\n</stml>\r\n") << open;
        const QByteArray odd = "<stml>\r\n</STML>\r\n<title></stml></title>\r\nx\r</stml>\r\n";
        QTest::newRow("closing tag only at a line start") << odd + "</stml>x" << odd;
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n";
        QTest::newRow("line feeds only") << QByteArray(old).replace("\r\n", "\n") + "</stml>\n"
                                         << QByteArray(old).replace("\r\n", "\n");
    }
    void merge() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, kept);
        reader_.slides[1] = titled("New");
        writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server));
        QCOMPARE(read("extract.stml"),
                 kept + lines({"<slide>", "<title>New</title>", "</slide>", "</stml>"}));
        QVERIFY(!QFile::exists(work("extract1.stml")));
    }

    // A server file without its closing-tag line was cut short on its way or is damaged:
    // appending to it would lose the rest of the lecture's text, so the append stops and no
    // file to upload is left.
    void mergeRefusesTextWithoutItsEnd_data() {
        QTest::addColumn<QByteArray>("server");
        const QByteArray old = "<stml>\r\n<slide>\r\n<title>Old</title>\r\n</slide>\r\n";
        QTest::newRow("no closing tag") << old;
        QTest::newRow("cut in the middle of a line") << old.left(old.size() - 5);
        QByteArray junk = old;
        for (int b = 0; b < 256; ++b)
            junk.append(char(b));
        QTest::newRow("binary junk, no closing tag") << junk;
    }
    void mergeRefusesTextWithoutItsEnd() {
        QFETCH(QByteArray, server);
        reader_.slides[1] = titled("New");
        try {
            writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server));
            QFAIL("no Failure");
        } catch (const Failure& f) {
            QVERIFY2(f.description().startsWith("The slide text of the lecture on the server "
                                                "could not be read whole; nothing was changed"),
                     qPrintable(f.description()));
        }
        QVERIFY(!QFile::exists(work("extract.stml")));
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

    // The Windows-1252 text of the files: what it cannot hold becomes one "?" a character, and
    // every byte, the five undefined ones too, survives decoding and encoding again.
    void ansiText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lost"); // what the user is warned of, each once
        QTest::newRow("ASCII, controls, latin-1, a ? of its own")
            << QStringLiteral("<a&b>\r\n\x0B caf\u00E9\u00FF?")
            << QByteArray("<a&b>\r\n\x0B caf\xE9\xFF?") << QStringList();
        QTest::newRow("high block") << QStringLiteral("\u20AC\u201C\u2026\u0178")
                                    << QByteArray("\x80\x93\x85\x9F") << QStringList();
        QTest::newRow("CJK, Greek")
            << QStringLiteral("a\u65E5\u672C\u65E5b\u03A9") << QByteArray("a???b?")
            << QStringList{"\u65E5", "\u672C", "\u03A9"};
        QTest::newRow("beyond the basic plane: one ?")
            << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y")
            << QStringList{QString::fromUtf8("\xF0\x9F\x98\x80")};
        QTest::newRow("lone surrogate, unmapped C1")
            << QString(QChar(0xD800)) + QChar(0x80) << QByteArray("??")
            << QStringList{QString(QChar(0xD800)), QString(QChar(0x80))};
    }
    void ansiText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lost);
        QCOMPARE(ansiText::encode(text), bytes);
        QCOMPARE(ansiText::unencodable(text), lost);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(ansiText::decode(all).at(0x80), QChar(0x20AC));
        QCOMPARE(ansiText::encode(ansiText::decode(all)), all);
    }

    // The description's date line, in English whatever the user's locale, always "EDT".
    // The code-page check looks at what the text files carry under the rule chosen (title, body,
    // notes), not at a text that no file takes.
    void charactersLostAreThoseSent() {
        reader_.slides[1] = titled(u"\u03A9"_qs, u"\u0416"_qs, u"\u4E2D"_qs);
        reader_.slides[2] =
            FakeSlide{{{true, "T"}, {true, u"\u05E9"_qs}, {true, u"\u03A8"_qs}}, {}, {}};
        QCOMPARE(charactersLostInSlides(reader_, 2),
                 (QStringList{u"\u03A9"_qs, u"\u0416"_qs, u"\u4E2D"_qs}));
        // All the slide text carries the third shape too.
        QCOMPARE(charactersLostInSlides(reader_, {2}, true),
                 (QStringList{u"\u05E9"_qs, u"\u03A8"_qs}));
    }

    // The warning names only what the user can see: symbol-font glyphs (private use
    // U+F000..U+F0FF) by their kind, once; other invisible characters by their code point;
    // visible ones as they are.
    void codePageWarningNamesInvisibleCharacters_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("lost");
        QTest::addColumn<QString>("warning");
        const QString tail = QStringLiteral(" cannot be written in the server's code page and "
                                            "will reach it as \"?\".");
        QTest::newRow("symbol font only")
            << "" << QStringList{u"\uF04A"_qs, u"\uF0B7"_qs}
            << "Characters in the slide texts (symbol-font characters)" + tail;
        QTest::newRow("visible, symbol font and invisible")
            << u"A\u200Bb"_qs << QStringList{u"\u03A9"_qs, u"\uF0A7"_qs, u"\uE000"_qs, u"\u0416"_qs}
            << "Characters in the title (U+200B) and the slide texts (\u03A9 \u0416, "
               "symbol-font characters, U+E000)" +
                   tail;
        QTest::newRow("visible only, as today")
            << u"\u65E5"_qs << QStringList{u"\U00020B9F"_qs}
            << "Characters in the title (\u65E5) and the slide texts (\U00020B9F)" + tail;
        QTest::newRow("first five names, then a count")
            << "" << QStringList{u"\uF041"_qs, u"\uF042"_qs, u"\u2003"_qs, u"a\u0301"_qs.mid(1),
                                 u"\u03A9"_qs, u"\u03A8"_qs, u"\u0416"_qs}
            << "Characters in the slide texts (\u03A9 \u03A8, symbol-font characters, U+2003, "
               "U+0301 and 1 more)" +
                   tail;
    }
    void codePageWarningNamesInvisibleCharacters() {
        QFETCH(QString, title);
        QFETCH(QStringList, lost);
        QTEST(codePageWarning(title, lost), "warning");
    }

    void dateLine_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::newRow("single-digit day")
            << QDateTime(QDate(1999, 3, 1), QTime(9, 5, 7)) << "Mon Mar 1 09:05:07 EDT 1999";
        QTest::newRow("winter, midnight")
            << QDateTime(QDate(2024, 12, 29), QTime(0, 0, 0)) << "Sun Dec 29 00:00:00 EDT 2024";
        QTest::newRow("UTC still EDT") << QDateTime(QDate(2001, 7, 14), QTime(23, 30, 45), Qt::UTC)
                                       << "Sat Jul 14 23:30:45 EDT 2001";
    }
    void dateLine() {
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString got = descriptionDateLine(when);
        QLocale::setDefault(QLocale::system());
        QCOMPARE(got, line);
    }

    // The description replaces the file of an earlier transfer; a folder in its place, a
    // missing or no working directory fail.
    void descriptionFile() {
        fields_.lumoraId = QStringLiteral("jdoe");
        const QDateTime when(QDate(1999, 3, 1), QTime(9, 5, 7));
        fields_.title = QStringLiteral("Caf\u00E9 \u20AC & <b> with a longer title");
        writeDescription(fields_, when);
        fields_.title.clear();
        writeDescription(fields_, when);
        QCOMPARE(read("description"), QByteArray("\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));
        fields_.title = QStringLiteral("Caf\u00E9 \u20AC & <b>");
        writeDescription(fields_, when);
        QCOMPARE(read("description"),
                 QByteArray("Caf\xE9 \x80 & <b>\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));
        // Breaks in the title or the ID would add lines: they become one space.
        fields_.title = QStringLiteral("Week 1\r\nIntro\u2028");
        fields_.lumoraId = QStringLiteral("jdoe\n");
        writeDescription(fields_, when);
        QCOMPARE(read("description"),
                 QByteArray("Week 1 Intro\njdoe\nMon Mar 1 09:05:07 EDT 1999\r\n"));

        QFile::remove(work("description"));
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("description")));
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields_));
        fields_.workDir = work("missing");
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields_));
        fields_.workDir.clear();
        QVERIFY_THROWS_EXCEPTION(Failure, writeDescription(fields_));
    }

    // The clean-up deletes the working files of a transfer in the given format (any case)
    // and nothing else, beside or below the working directory; again, or without a directory,
    // it changes nothing.
    void workingFilesDeleted_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("remaining");
        const QStringList always{"Slides.ppt", "extract1.ntml", "extract1.stml", "notes.txt",
                                 "sub"};
        QTest::newRow("GIF") << "GIF"
                             << always + QStringList{"Slide1.JPG", "Slide2.jpg", "blank.jpg"};
        QTest::newRow("jpg lower case")
            << QString("jpg")
            << always + QStringList{"Slide1.gif", "Slide2.GIF", "Slideshow.GIF", "blank.GIF"};
        const QStringList all =
            always + QStringList{"Slide1.JPG",    "Slide1.gif", "Slide2.GIF", "Slide2.jpg",
                                 "Slideshow.GIF", "blank.GIF",  "blank.jpg"};
        QTest::newRow("star is no wildcard") << "*" << all;
        QTest::newRow("path in the format") << "../x" << all;
    }
    void workingFilesDeleted() {
        QFETCH(QString, format);
        QFETCH(QStringList, remaining);
        const QString d = work("work");
        for (const char* name :
             {"description", "extract.stml", "extract.ntml", "extract1.stml", "extract1.ntml",
              "Slide1.gif", "Slide2.GIF", "Slideshow.GIF", "blank.GIF", "Slide1.JPG", "Slide2.jpg",
              "blank.jpg", "Slides.ppt", "notes.txt", "sub/x"})
            QVERIFY(testEnv::writeFile(d + "/" + name, "x"));
        const QStringList outside{"Slide1.gif", "blank.GIF", "x", "work/sub/Slide9.gif"};
        for (const QString& name : outside)
            QVERIFY(testEnv::writeFile(work(name), "x"));
        const auto names = [&] {
            return QDir(d).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                         QDir::Hidden | QDir::System,
                                     QDir::Name);
        };
        remaining.sort();
        for (int run = 0; run < 2; ++run) {
            deleteWorkingFiles(d, format);
            QCOMPARE(names(), remaining);
        }
        for (const QString& name : outside)
            QVERIFY2(QFile::exists(work(name)), qPrintable(name));
        deleteWorkingFiles(work("missing"), format);
        deleteWorkingFiles(QString(), format);
        QVERIFY(QFile::exists(work("Slide1.gif")));
    }
};

QTEST_GUILESS_MAIN(TestSlideText)
#include "test_slide_text.moc"
