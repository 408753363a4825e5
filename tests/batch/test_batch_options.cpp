// The batch command's option rules, in-process: what each option takes and refuses, what the
// wizard's remembered choices stand in for, and the message that names what is wrong.
#include "batch/BatchOptions.h"
#include "platform/SettingsStore.h"
#include "support/TestEnv.h"

#include <QTest>

class TestBatchOptions : public QObject {
    Q_OBJECT
    QTemporaryDir files_, settings_;

    QString talk(const QString& name) const { return files_.filePath(name); }

    // The options of one lecture of "a.ppt", all required values given.
    QStringList lecture(const QString& more = {}) const {
        return QStringList{"--server", "h", "--corvane-id", "c",         "--lumora-id", "l",
                           "--class",  "k", "--date",       "2026-03-05"} +
                   more.split(' ', Qt::SkipEmptyParts)
               << talk("a.ppt");
    }

    // The options of a command line, with the choices remembered in the test's store (none,
    // unless a test stores some).
    static BatchOptions parse(const QStringList& args) {
        return parseBatchOptions(args, rememberedChoices());
    }
    // The message a command line is refused with; "" when it is accepted.
    static QString refusal(const QStringList& args,
                           const RememberedChoices& remembered = rememberedChoices()) {
        try {
            parseBatchOptions(args, remembered);
        } catch (const UsageError& e) {
            return e.message;
        }
        return {};
    }

    static QString sizeOf(const BatchOptions& o) {
        return QStringLiteral("%1x%2").arg(o.lecture.width).arg(o.lecture.height);
    }

private slots:
    void initTestCase() {
        for (const char* name : {"a.ppt", "b.pptx", "-dash.ppt"})
            QVERIFY(testEnv::writeFile(talk(name), "x"));
        QVERIFY(QDir(files_.path()).mkdir("folder.ppt"));
        settingsStore::useDirectory(settings_.path());
    }
    void init() { QFile::remove(QDir(settings_.path()).filePath("Slide-Ferry.ini")); }

    // A complete command line becomes the lecture; the date is the server's form of it.
    void givenValuesMakeTheLecture() {
        const BatchOptions o =
            parse(lecture("--session 03 --title T --json --allow-empty --workdir rel"));
        const LectureRecord& l = o.lecture;
        QCOMPARE((QStringList{l.host, l.corvaneId, l.lumoraId, l.className, l.month, l.day, l.year,
                              l.session, l.title}),
                 (QStringList{"h", "c", "l", "k", "Mar", "5", "2026", "3", "T"}));
        QVERIFY(o.titleGiven && o.json && o.allowEmpty && !o.help);
        QVERIFY(!l.skipHiddenSlides && !l.allSlideText);
        const LectureRecord both = parse(lecture("--skip-hidden --full-text")).lecture;
        QVERIFY(both.skipHiddenSlides && both.allSlideText);
        QCOMPARE(l.workDir, QDir::current().absoluteFilePath("rel"));
        QCOMPARE(o.files, QStringList{talk("a.ppt")});
    }

    // Server and user IDs come from the command line, else from the wizard's remembered
    // choices; class and date only from the command line. --no-settings ignores what is
    // remembered. A value of blanks counts as missing.
    void requiredValuesAndTheRememberedChoices() {
        RememberedChoices remembered;
        remembered.server = "remembered.host";
        remembered.lumoraId = "rl";
        remembered.corvaneId = "rc";
        const QStringList noIds{"--class", "k", "--date", "2026-03-05", talk("a.ppt")};
        const BatchOptions o =
            parseBatchOptions(QStringList{"--lumora-id", " given "} + noIds, remembered);
        QCOMPARE((QStringList{o.lecture.host, o.lecture.corvaneId, o.lecture.lumoraId}),
                 (QStringList{"remembered.host", "rc", "given"}));

        QCOMPARE(refusal(noIds), QString("--server is missing (the Lumora server's host; none is "
                                         "remembered)"));
        QCOMPARE(refusal(QStringList{"--no-settings", "--server", "h", "--corvane-id", "c"} + noIds,
                         remembered),
                 QString("--lumora-id is missing (the Lumora user ID)"));
        QCOMPARE(refusal(QStringList{"--server", "  "} + lecture().mid(2), remembered),
                 QString("--server is missing (the Lumora server's host; none is remembered)"));
        QCOMPARE(refusal({"--server", "h", "--corvane-id", "c", "--lumora-id", "l", "--date",
                          "2026-03-05", talk("a.ppt")},
                         remembered),
                 QString("--class is missing (the lecture's class)"));
        QCOMPARE(refusal(lecture().mid(0, 8) << talk("a.ppt")),
                 QString("--date is missing (the lecture's date)"));
    }

    // What the batch command takes from the wizard's store: the custom size as the wizard
    // stored it (crossed keys), format and working directory; never the wizard's default
    // server. An unknown size name gives the default; an unusable custom size asks for --size.
    void rememberedChoicesFromTheStore() {
        QVERIFY(testEnv::writeFile(QDir(settings_.path()).filePath("Slide-Ferry.ini"),
                                   "[Settings]\nResolution=Custom\nCustomWidth=480\n"
                                   "CustomHeight=640\nImageType=JPG\nExportPath=/srv/work\n"
                                   "RequireEncryption=1\n"));
        BatchOptions o = parse(lecture());
        QCOMPARE(QStringList({sizeOf(o), o.lecture.imageFormat, o.lecture.workDir}),
                 QStringList({"640x480", "JPG", "/srv/work"}));
        QVERIFY(o.lecture.requireEncryption);
        o = parse(lecture("--no-settings"));
        QCOMPARE(QStringList({sizeOf(o), o.lecture.imageFormat, o.lecture.workDir}),
                 QStringList({"1000x700", "GIF", QDir::tempPath()}));
        QVERIFY(!o.lecture.requireEncryption);
        QVERIFY(parse(lecture("--no-settings --require-encryption")).lecture.requireEncryption);

        QCOMPARE(refusal(lecture().mid(2)),
                 QString("--server is missing (the Lumora server's host; none is remembered)"));
        RememberedChoices remembered = rememberedChoices();
        remembered.imageSize = {"Huge", "", ""};
        QCOMPARE(sizeOf(parseBatchOptions(lecture(), remembered)), QString("1000x700"));
        remembered.imageSize = {"Custom", "wide", "480"};
        QCOMPARE(refusal(lecture(), remembered),
                 QString("The remembered custom image size is not valid: give --size"));
        QCOMPARE(sizeOf(parseBatchOptions(lecture("--size vga"), remembered)), QString("616x412"));
    }

    // The forms each value takes; the message of a refused one names the option and quotes
    // the value.
    void valueForms() {
        const std::pair<const char*, const char*> accepted[] = {
            {"--size xga", "1000x700 GIF 0-0"},
            {"--size 1600x1200", "1576x1132 GIF 0-0"},
            {"--size 1x32767", "1x32767 GIF 0-0"},
            {"--format Jpg --range 4", "1000x700 JPG 4-4"},
            {"--format=png --range=3-5", "1000x700 PNG 3-5"}};
        for (const auto& [more, expected] : accepted) {
            const BatchOptions o = parse(lecture(more));
            QCOMPARE(QStringLiteral("%1 %2 %3-%4")
                         .arg(sizeOf(o), o.lecture.imageFormat)
                         .arg(o.firstSlide)
                         .arg(o.lastSlide),
                     QString(expected));
        }
        const QString size = "--size takes vga, svga, xga, sxga or WIDTHxHEIGHT (800x600), not ";
        const QString range = "--range takes FIRST-LAST (3-5) or one slide (4), not ";
        const QString number = "takes a number from 1 to 32767, not ";
        const std::pair<const char*, QString> refused[] = {
            {"--size 0x600", size + "\"0x600\""},
            {"--size 32768x10", size + "\"32768x10\""},
            {"--size custom", size + "\"custom\""},
            {"--size 800*600", size + "\"800*600\""},
            {"--range 5-3", "--range 5-3 ends before it begins"},
            {"--range 3-", range + "\"3-\""},
            {"--range -3", range + "\"-3\""},
            {"--range 0-2", "--range " + number + "\"0\""},
            {"--range 2-32768", "--range " + number + "\"32768\""},
            {"--session 0", "--session " + number + "\"0\""},
            {"--session +3", "--session " + number + "\"+3\""},
            {"--session 1e3", "--session " + number + "\"1e3\""},
            {"--format bmp", "--format takes gif, jpg or png, not \"bmp\""},
            {"--if-exists overwrite",
             "--if-exists takes fail, next-session or append, not \"overwrite\""},
            {"--if-exists Append",
             "--if-exists takes fail, next-session or append, not \"Append\""},
            {"--title=", "--title is empty"}};
        for (const auto& [more, message] : refused)
            QCOMPARE(refusal(lecture(more)), message);

        const QString date = "--date takes a date that exists, as YYYY-MM-DD (2026-03-05), not ";
        const auto on = [this](const QString& day) {
            return lecture().mid(0, 8) << "--date" << day << talk("a.ppt");
        };
        for (const char* day : {"2026-02-30", "5.3.2026", "2026-3-5", "26-03-05"})
            QCOMPARE(refusal(on(day)), date + '"' + day + '"');
        QCOMPARE(parse(on("2028-02-29")).lecture.month, QString("Feb"));
    }

    // One presentation fails on an existing lecture unless told otherwise; several go to the
    // next session, and cannot be appended to one lecture, nor share one title or one range.
    void oneOrSeveralPresentations() {
        const auto ifExists = [this](const QString& more, bool several) {
            QStringList args = lecture(more);
            if (several)
                args << talk("b.pptx");
            return parse(args).ifExists;
        };
        QCOMPARE(ifExists({}, false), LectureExistsChoice::ChangeLectureDate);
        QCOMPARE(ifExists({}, true), LectureExistsChoice::NextSession);
        QCOMPARE(ifExists("--if-exists append", false), LectureExistsChoice::AppendSlides);
        QCOMPARE(ifExists("--if-exists fail", true), LectureExistsChoice::ChangeLectureDate);
        QCOMPARE(ifExists("--if-exists=next-session", false), LectureExistsChoice::NextSession);
        const std::pair<const char*, const char*> refused[] = {
            {"--if-exists append",
             "--if-exists append is for one presentation; several go to successive sessions"},
            {"--title T", "--title names one lecture: give one presentation, or leave it out to "
                          "take each presentation's first slide title"},
            {"--range 1-2", "--range is for one presentation"}};
        for (const auto& [more, message] : refused)
            QCOMPARE(refusal(lecture(more) << talk("b.pptx")), QString(message));
    }

    // Presentations must be files; they are named as given when they are not.
    void presentationsMustExist() {
        QCOMPARE(refusal(lecture().mid(0, 10)), QString("no presentation is given"));
        for (const QString& name : {talk("missing.ppt"), talk("folder.ppt"), QString()})
            QCOMPARE(refusal(lecture().mid(0, 10) << name), name + ": no such file");
        const QString relative = QDir::current().relativeFilePath(talk("b.pptx"));
        QCOMPARE(parse(lecture() << relative).files, (QStringList{talk("a.ppt"), talk("b.pptx")}));
    }

    // Faults of the options themselves, named as the user wrote them; with several, the first.
    // Passwords are never options, whatever their spelling.
    void unknownAndMisusedOptions() {
        const QString password = "--%1: passwords are never taken from the command line; set "
                                 "SLIDE_FERRY_CORVANE_PASSWORD and SLIDE_FERRY_LUMORA_PASSWORD, "
                                 "or type them when asked";
        const std::pair<QStringList, QString> cases[] = {
            {{"--colour", "red"}, "unknown option --colour"},
            {{"--h"}, "unknown option --h"},
            {{"--=x"}, "unknown option --"},
            {{"-x"}, "unknown option -x"},
            {{"-server", "h"}, "unknown option -server"},
            {{"-hh"}, "unknown option -hh"},
            {{"-h=1"}, "unknown option -h=1"},
            {{"--lumora-password", "wonder"}, password.arg("lumora-password")},
            {{"--password=x"}, password.arg("password")},
            {{"--json=yes"}, "--json takes no value"},
            {{"--server", "a", "--server", "b"}, "--server is given twice"},
            {{"--server=a", "--server"}, "--server needs a value"},
            {{"--colour", "--json=1"}, "unknown option --colour"},
            {{"--json=1", "--colour"}, "--json takes no value"},
            {{"--help", "-x"}, "unknown option -x"}};
        for (const auto& [args, message] : cases)
            QCOMPARE(refusal(QStringList{talk("a.ppt")} + args), message);
        QCOMPARE(refusal(lecture() << "--workdir"), QString("--workdir needs a value"));
    }

    // A value is taken whole, whatever it looks like; after "--" every argument is a file.
    void valuesThatLookLikeOptions() {
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(files_.path()));
        const BatchOptions o =
            parse({"--title", "--json", "--server", "-x", "--corvane-id=a=b", "--lumora-id", "--",
                   "--class", "-h", "--date=2026-03-05", "--", "-dash.ppt"});
        const QString lost = refusal(lecture("--title=--colour --colour"));
        QVERIFY(QDir::setCurrent(here));
        QCOMPARE((QStringList{o.lecture.title, o.lecture.host, o.lecture.corvaneId,
                              o.lecture.lumoraId, o.lecture.className}),
                 (QStringList{"--json", "-x", "a=b", "--", "-h"}));
        QVERIFY(!o.json && !o.help);
        QCOMPARE(o.files, QStringList{talk("-dash.ppt")});
        QCOMPARE(lost, QString("unknown option --colour"));
        QCOMPARE(refusal(lecture("--") << "--json"), QString("--json: no such file"));
    }

    // -h, --help and --version answer whatever else is missing.
    void helpAndVersionNeedNothingElse() {
        QVERIFY(parse({"-h"}).help);
        QVERIFY(parse({"--date", "never", "--help"}).help);
        const BatchOptions v = parse({"--version"});
        QVERIFY(v.version && !v.help);
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "test_batch_options.moc"
