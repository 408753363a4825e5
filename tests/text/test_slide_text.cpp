#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "wizard/WizardFields.h"

namespace {

struct FakeShape {
    bool frame = true;
    QString text;
};

struct FakeSlide {
    QList<FakeShape> shapes;
    QList<FakeShape> notes;
    QSet<QString> failing; // reads that throw: "title", "body", "notes", "count"
};

// Slides built in the test; a read of a missing slide or shape throws like the office does.
class FakeReader : public SlideReader {
public:
    QMap<int, FakeSlide> slides;

    int shapeCount(int slide) override {
        fail(slide, QStringLiteral("count"));
        return static_cast<int>(get(slide).shapes.size());
    }
    bool hasTextFrame(int slide, int shape) override {
        fail(slide, shape == 1 ? QStringLiteral("title") : QStringLiteral("body"));
        return at(get(slide).shapes, shape).frame;
    }
    QString shapeText(int slide, int shape) override {
        fail(slide, shape == 1 ? QStringLiteral("title") : QStringLiteral("body"));
        return at(get(slide).shapes, shape).text;
    }
    int notesShapeCount(int slide) override { return static_cast<int>(get(slide).notes.size()); }
    bool notesHasText(int slide, int shape) override {
        return !at(get(slide).notes, shape).text.isEmpty();
    }
    QString notesShapeText(int slide, int shape) override {
        fail(slide, QStringLiteral("notes"));
        return at(get(slide).notes, shape).text;
    }

private:
    const FakeSlide& get(int slide) const {
        if (!slides.contains(slide))
            throw Failure(QStringLiteral("Slide index out of range"));
        return slides.find(slide).value();
    }
    static const FakeShape& at(const QList<FakeShape>& shapes, int k) {
        if (k < 1 || k > shapes.size())
            throw Failure(QStringLiteral("Shape index out of range"));
        return shapes.at(k - 1);
    }
    void fail(int slide, const QString& what) const {
        if (get(slide).failing.contains(what))
            throw Failure(QStringLiteral("read failed: ") + what);
    }
};

} // namespace

Q_DECLARE_METATYPE(FakeSlide)

namespace {

FakeSlide titleAndBody(const QString& title, const QString& body) {
    return FakeSlide{{{true, title}, {true, body}}, {{true, QString()}, {true, QString()}}, {}};
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Lines joined with CR LF, each line ended.
QByteArray crlfLines(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

} // namespace

class TestSlideText : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    PlainWizardFields fields_;
    FakeReader reader_;

    QString work(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

    // A fetch that copies the "server" bytes into the working directory, or reports that the
    // server holds no file when serverBytes is null.
    FetchFn fetchOf(const QString& name, const QByteArray& serverBytes) {
        return [this, name, serverBytes]() {
            if (serverBytes.isNull())
                return false;
            QFile f(work(name));
            if (!f.open(QIODevice::WriteOnly))
                throw Failure(QStringLiteral("fetch failed"));
            f.write(serverBytes);
            return true;
        };
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        const QStringList files = QDir(dir_.path()).entryList(QDir::Files);
        for (const QString& f : files)
            QFile::remove(work(f));
        fields_ = PlainWizardFields();
        fields_.exportPathV = dir_.path();
        reader_.slides.clear();
    }

    void sentenceRule_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("lines");
        const auto s = [](const QString& t) {
            return QStringLiteral("<sentence>%1</sentence>").arg(t);
        };
        QTest::newRow("A CR CR B")
            << QStringLiteral("A\r\rB") << QStringList{s("A"), s(""), s("B")};
        QTest::newRow("A CR") << QStringLiteral("A\r") << QStringList{s("A")};
        QTest::newRow("CR LF B") << QStringLiteral("\r\nB") << QStringList{s(""), s("B")};
        QTest::newRow("lone CR") << QStringLiteral("\r") << QStringList{s("")};
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("LF dropped, code 11 kept") << QStringLiteral("a\nb\x0B"
                                                                    "c")
                                                  << QStringList{QStringLiteral("<sentence>ab\x0B"
                                                                                "c</sentence>")};
        QTest::newRow("markup characters unchanged")
            << QStringLiteral("x < y & z\r<b>") << QStringList{s("x < y & z"), s("<b>")};
    }
    void sentenceRule() {
        QFETCH(QString, body);
        QFETCH(QStringList, lines);
        QCOMPARE(slideSentences(body), lines);
    }

    void notesRule_data() {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("paragraphs run together")
            << QStringLiteral("One.\rTwo.")
            << QStringList{QStringLiteral("<sentence>One.Two.</sentence>")};
        QTest::newRow("CR LF only gives an empty sentence")
            << QStringLiteral("\r\n") << QStringList{QStringLiteral("<sentence></sentence>")};
        QTest::newRow("empty gives none") << QString() << QStringList{};
        QTest::newRow("code 11 and ampersand kept")
            << QStringLiteral("a\x0B&b")
            << QStringList{QStringLiteral("<sentence>a\x0B&b</sentence>")};
    }
    void notesRule() {
        QFETCH(QString, notes);
        QFETCH(QStringList, lines);
        QCOMPARE(notesSentences(notes), lines);
    }

    // Texts beyond 32,767 characters are written whole, nothing cut off.
    void longTextsKept() {
        const QString longBody = QString(40000, QLatin1Char('x')) + QStringLiteral("\rend");
        const QStringList lines = slideSentences(longBody);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0).size(), 40000 + 21);
        QCOMPARE(lines.at(1), QStringLiteral("<sentence>end</sentence>"));

        reader_.slides[1] = titleAndBody(QString(40000, QLatin1Char('t')), longBody);
        reader_.slides[1].notes[1].text = QString(40000, QLatin1Char('n'));
        writeSlideText(reader_, fields_, false, {});
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")),
                 crlfLines({"<stml>", "<slide>", "<title>" + QByteArray(40000, 't') + "</title>",
                            "<sentence>" + QByteArray(40000, 'x') + "</sentence>",
                            "<sentence>end</sentence>", "</slide>", "</stml>"}));
        QCOMPARE(
            readFile(work("extract.ntml")),
            crlfLines({"<ntml>", "<slide>", "<sentence>" + QByteArray(40000, 'n') + "</sentence>",
                       "</slide>", "</ntml>"}));
    }

    void nineLineExample() {
        reader_.slides[1] = titleAndBody(QStringLiteral("Intro"), QStringLiteral("Hello\rWorld"));
        reader_.slides[2] = FakeSlide{};
        fields_.firstSlideV = QStringLiteral(" 1");
        fields_.lastSlideV = QStringLiteral(" 2");
        writeSlideText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")),
                 crlfLines({"<stml>", "<slide>", "<title>Intro</title>",
                            "<sentence>Hello</sentence>", "<sentence>World</sentence>", "</slide>",
                            "<slide>", "</slide>", "</stml>"}));
    }

    void slideShapes_data() {
        QTest::addColumn<FakeSlide>("slide");
        QTest::addColumn<QByteArray>("content"); // lines between <slide> and </slide>
        const FakeShape picture{false, QString()};
        QTest::newRow("three shapes: title, no sentences")
            << FakeSlide{{{true, "T"}, {true, "B"}, picture}, {}, {}}
            << crlfLines({"<title>T</title>"});
        QTest::newRow("one shape: title only")
            << FakeSlide{{{true, "T"}}, {}, {}} << crlfLines({"<title>T</title>"});
        QTest::newRow("title shape without text frame: empty title")
            << FakeSlide{{picture, {true, "B"}}, {}, {}}
            << crlfLines({"<title></title>", "<sentence>B</sentence>"});
        QTest::newRow("body shape without text frame: no sentences")
            << FakeSlide{{{true, "T"}, picture}, {}, {}} << crlfLines({"<title>T</title>"});
        QTest::newRow("title written in one piece with CR, LF and code 11")
            << FakeSlide{{{true, "a\rb\nc\x0B"
                                 "d <&>"}},
                         {},
                         {}}
            << QByteArray("<title>a\rb\nc\x0B"
                          "d <&></title>\r\n");
        QTest::newRow("Windows-1252 bytes, ? for others")
            << FakeSlide{{{true, QStringLiteral("\u20AC\u00E9\u65E5")}}, {}, {}}
            << QByteArray("<title>\x80\xE9?</title>\r\n");
        QTest::newRow("title read fails: no title line, body follows")
            << FakeSlide{{{true, "T"}, {true, "B1\rB2"}}, {}, {"title"}}
            << crlfLines({"<sentence>B1</sentence>", "<sentence>B2</sentence>"});
        QTest::newRow("body read fails: title only")
            << FakeSlide{{{true, "T"}, {true, "B"}}, {}, {"body"}}
            << crlfLines({"<title>T</title>"});
        QTest::newRow("shape count fails: nothing")
            << FakeSlide{{{true, "T"}, {true, "B"}}, {}, {"count"}} << QByteArray();
    }
    void slideShapes() {
        QFETCH(FakeSlide, slide);
        QFETCH(QByteArray, content);
        // The slide under test sits between two good slides: a failure stays within it.
        reader_.slides[1] = titleAndBody("one", "");
        reader_.slides[2] = slide;
        reader_.slides[3] = titleAndBody("three", "x");
        fields_.lastSlideV = QStringLiteral("3 ");
        writeSlideText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")),
                 crlfLines({"<stml>", "<slide>", "<title>one</title>", "</slide>", "<slide>"}) +
                     content +
                     crlfLines({"</slide>", "<slide>", "<title>three</title>",
                                "<sentence>x</sentence>", "</slide>", "</stml>"}));
    }

    void notesShapes_data() {
        QTest::addColumn<FakeSlide>("slide");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("two notes shapes with text")
            << FakeSlide{{}, {{true, "img"}, {true, "One.\r\nTwo."}}, {}}
            << crlfLines({"<sentence>One.Two.</sentence>"});
        QTest::newRow("empty notes")
            << FakeSlide{{}, {{true, "img"}, {true, ""}}, {}} << QByteArray();
        QTest::newRow("three notes shapes")
            << FakeSlide{{}, {{}, {true, "n"}, {}}, {}} << QByteArray();
        QTest::newRow("notes read fails")
            << FakeSlide{{}, {{}, {true, "n"}}, {"notes"}} << QByteArray();
    }
    void notesShapes() {
        QFETCH(FakeSlide, slide);
        QFETCH(QByteArray, content);
        reader_.slides[1] = slide;
        reader_.slides[2] = FakeSlide{{}, {{}, {true, "after"}}, {}};
        fields_.lastSlideV = QStringLiteral("2");
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.ntml")),
                 crlfLines({"<ntml>", "<slide>"}) + content +
                     crlfLines({"</slide>", "<slide>", "<sentence>after</sentence>", "</slide>",
                                "</ntml>"}));
    }

    void rangeSelection() {
        for (int i = 1; i <= 4; ++i)
            reader_.slides[i] = titleAndBody(QString::number(i), "");
        fields_.firstSlideV = QStringLiteral(" 2");
        fields_.lastSlideV = QStringLiteral(" 3");
        writeSlideText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")),
                 crlfLines({"<stml>", "<slide>", "<title>2</title>", "</slide>", "<slide>",
                            "<title>3</title>", "</slide>", "</stml>"}));

        // First beyond last: two lines, and an earlier file is replaced.
        fields_.firstSlideV = QStringLiteral(" 3");
        fields_.lastSlideV = QStringLiteral(" 2");
        writeSlideText(reader_, fields_, false, {});
        writeNotesText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")), crlfLines({"<stml>", "</stml>"}));
        QCOMPARE(readFile(work("extract.ntml")), crlfLines({"<ntml>", "</ntml>"}));

        // Slides outside the presentation yield empty slide elements, nothing worse.
        fields_.firstSlideV = QStringLiteral("4");
        fields_.lastSlideV = QStringLiteral("5");
        writeSlideText(reader_, fields_, false, {});
        QCOMPARE(readFile(work("extract.stml")),
                 crlfLines({"<stml>", "<slide>", "<title>4</title>", "</slide>", "<slide>",
                            "</slide>", "</stml>"}));
    }

    void merge_data() {
        QTest::addColumn<QByteArray>("server"); // null: the server holds no file
        QTest::addColumn<QByteArray>("kept");   // what precedes the new slides
        const QByteArray open = "<stml>\r\n";
        const QByteArray old = crlfLines(
            {"<stml>", "<slide>", "<title>Old</title>", "<sentence>s</sentence>", "</slide>"});
        QTest::newRow("closing tag removed") << old + "</stml>\r\n" << old;
        QTest::newRow("no server file: written new") << QByteArray() << open;
        QTest::newRow("empty server file: written new") << QByteArray("") << open;
        QTest::newRow("closing tag only: written new") << QByteArray("</stml>\r\n") << open;
        QTest::newRow("no closing tag: all lines kept") << old << old;
        QTest::newRow("last line without CR LF kept whole")
            << QByteArray("<stml>\r\n<slide>\r\n</slide>")
            << crlfLines({"<stml>", "<slide>", "</slide>"});
        QTest::newRow("closing tag without CR LF") << QByteArray("<stml>\r\n</stml>") << open;
        QTest::newRow("lines after the closing tag dropped")
            << QByteArray("<stml>\r\n</stml>\r\n<slide>\r\n</stml>\r\n") << open;
        QTest::newRow("closing tag only at a line start, case-sensitive")
            << QByteArray(
                   "<stml>\r\n</STML>\r\n<title>a</stml></title>\r\nx\r</stml>\r\n</stml>tail\r\n")
            << QByteArray("<stml>\r\n</STML>\r\n<title>a</stml></title>\r\nx\r</stml>\r\n");
        QByteArray high = "<stml>\r\n<title>";
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(static_cast<char>(b));
        high += "\n\x0B</title>\r\n";
        QTest::newRow("bytes 0x80-0xFF copied unchanged") << high + "</stml>\r\n" << high;
    }
    void merge() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, kept);
        // A file of an earlier transfer must never be mistaken for the server's.
        writeFile(work("extract.stml"), "<stml>\r\n<title>stale</title>\r\n</stml>\r\n");
        reader_.slides[1] = titleAndBody("New", "");
        writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server));
        QCOMPARE(readFile(work("extract.stml")),
                 kept + crlfLines({"<slide>", "<title>New</title>", "</slide>", "</stml>"}));
        QVERIFY(!QFile::exists(work("extract1.stml")));
    }

    void mergeNotes() {
        reader_.slides[1] = FakeSlide{{}, {{}, {true, "new"}}, {}};
        const QByteArray old =
            crlfLines({"<ntml>", "<slide>", "<sentence>old</sentence>", "</slide>", "</stml>"});
        writeNotesText(reader_, fields_, true, fetchOf("extract.ntml", old + "</ntml>\r\n"));
        QCOMPARE(readFile(work("extract.ntml")),
                 old + crlfLines({"<slide>", "<sentence>new</sentence>", "</slide>", "</ntml>"}));
        QVERIFY(!QFile::exists(work("extract1.ntml")));

        // A stale temporary copy from an earlier merge does not block the next one.
        writeFile(work("extract1.ntml"), "stale");
        writeNotesText(reader_, fields_, true, fetchOf("extract.ntml", "<ntml>\r\n</ntml>\r\n"));
        QCOMPARE(
            readFile(work("extract.ntml")),
            crlfLines({"<ntml>", "<slide>", "<sentence>new</sentence>", "</slide>", "</ntml>"}));
        QVERIFY(!QFile::exists(work("extract1.ntml")));
    }

    // A merge that cannot be done stops the transfer; no file that lost the old slides is left
    // for the upload.
    void failingMerge() {
        reader_.slides[1] = titleAndBody("New", "");
        const QByteArray server = crlfLines({"<stml>", "<slide>", "</slide>", "</stml>"});

        // The fetch fails.
        FetchFn failing = []() -> bool { throw Failure(QStringLiteral("550 no access")); };
        try {
            writeSlideText(reader_, fields_, true, failing);
            QFAIL("no Failure");
        } catch (const Failure& f) {
            QCOMPARE(f.description(), QStringLiteral("550 no access"));
        }
        QVERIFY(!QFile::exists(work("extract.stml")));

        // The fetch reports success but brings no file.
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 writeSlideText(reader_, fields_, true, [] { return true; }));
        QVERIFY(!QFile::exists(work("extract.stml")));

        // The temporary name is taken by a directory: the rename cannot be done. The fetched
        // file stays as the server sent it.
        QVERIFY(QDir(dir_.path()).mkdir("extract1.stml"));
        QVERIFY_THROWS_EXCEPTION(
            Failure, writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server)));
        QCOMPARE(readFile(work("extract.stml")), server);
        QVERIFY(QDir(dir_.path()).rmdir("extract1.stml"));

        // The file's name is taken by a directory.
        QFile::remove(work("extract.stml"));
        QVERIFY(QDir(dir_.path()).mkdir("extract.stml"));
        QVERIFY_THROWS_EXCEPTION(
            Failure, writeSlideText(reader_, fields_, true, fetchOf("extract.stml", server)));
        QVERIFY(QDir(dir_.path()).rmdir("extract.stml"));
    }

    void unwritableFileFails() {
        reader_.slides[1] = titleAndBody("T", "");
        fields_.exportPathV = dir_.path() + QStringLiteral("/missing");
        QVERIFY_THROWS_EXCEPTION(Failure, writeSlideText(reader_, fields_, false, {}));
        QVERIFY_THROWS_EXCEPTION(Failure, writeNotesText(reader_, fields_, false, {}));
        fields_.exportPathV = QString();
        QVERIFY_THROWS_EXCEPTION(Failure, writeSlideText(reader_, fields_, false, {}));
        fields_.exportPathV = dir_.path();
        QVERIFY(QDir(dir_.path()).mkdir("extract.ntml"));
        QVERIFY_THROWS_EXCEPTION(Failure, writeNotesText(reader_, fields_, false, {}));
        QVERIFY(QDir(dir_.path()).rmdir("extract.ntml"));
    }
};

QTEST_GUILESS_MAIN(TestSlideText)
#include "test_slide_text.moc"
