// A title with line breaks stays on one line wherever it goes: the description keeps its three
// lines (a slide's "<title>" line is checked with the slide text).
#include "lecture/LectureRecord.h"
#include "lecture/OneLine.h"
#include "pipeline/Description.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOneLineTitle : public QObject {
    Q_OBJECT
private slots:
    void breaksBecomeOneSpace() {
        const struct {
            const char16_t* text;
            const char16_t* line;
        } cases[] = {
            {u"Intro\rto Rust", u"Intro to Rust"},      // a second paragraph
            {u"Intro\r\nto Rust", u"Intro to Rust"},    // CR LF is one break
            {u"Intro\vto\u2028Rust", u"Intro to Rust"}, // the office's line break, U+2028
            {u"\rIntro  to\r\r", u"Intro  to"},         // none at the ends; spaces kept
            {u"\r\n", u""},
        };
        for (const auto& c : cases)
            QCOMPARE(oneLine(QString::fromUtf16(c.text)), QString::fromUtf16(c.line));
    }

    void descriptionKeepsItsThreeLines() {
        QTemporaryDir dir;
        LectureRecord fields;
        fields.workDir = dir.path();
        fields.title = "Week 1\rIntroduction";
        fields.lumoraId = "alice\n";
        writeDescription(fields);
        QFile description(dir.filePath("description"));
        QVERIFY(description.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = description.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // three lines, the last one ended too
        QCOMPARE(lines[0], QByteArray("Week 1 Introduction"));
        QCOMPARE(lines[1], QByteArray("alice"));
    }
};

QTEST_MAIN(TestOneLineTitle)
#include "test_one_line_title.moc"
