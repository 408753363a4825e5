// The steps of a lecture below both front ends: the questions are put at the right moments and
// their answers obeyed, presentations that cannot be sent are input to correct (and leave
// nothing open), and the server's refusals of accounts and classes say what to correct.
#include "office/OfficeTestSupport.h"
#include "pipeline/EmptyPresentation.h"
#include "platform/CertificateInfo.h"
#include "platform/Failure.h"
#include "platform/office/Office.h"
#include "server/AccountCheck.h"
#include "session/LectureQuestions.h"
#include "session/LectureSession.h"
#include "support/LumoraServer.h"

#include <QTest>
#include <deque>

namespace {
// Answers from a script, and remembers what was asked.
struct ScriptedQuestions : LectureQuestions {
    std::deque<QString> passwords; // given in turn; none left: the user gives up
    bool sendDoubtful = false;
    QStringList asked;

    std::optional<QString> presentationPassword(const QString& name, const QString&,
                                                bool wrongBefore) override {
        asked << QStringLiteral("password for %1%2").arg(name, wrongBefore ? " again" : "");
        if (passwords.empty())
            return std::nullopt;
        const QString next = passwords.front();
        passwords.pop_front();
        return next;
    }
    bool sendDoubtfulPresentation(const QString& doubt) override {
        asked << doubt;
        return sendDoubtful;
    }
    LectureExistsChoice lectureExists(const ExistingLecture&) override {
        asked << QStringLiteral("lecture exists");
        return LectureExistsChoice::ChangeLectureDate;
    }
    bool trustCertificate(const CertificateInfo&) override { return false; }
};

// The kind and the message of the failure a step throws.
template <class Step> std::pair<Failure::Kind, QString> failureOf(Step step) {
    try {
        step();
    } catch (const Failure& f) {
        return {f.kind(), f.message(QStringLiteral("HOST"))};
    }
    return {Failure::Kind::Local, QStringLiteral("no failure")};
}
} // namespace

class TestLectureSession : public QObject {
    Q_OBJECT
    QTemporaryDir files_;
    ScriptedQuestions questions_;
    std::unique_ptr<LectureSession> session_;

    QString copy(const QString& name) { return officeTest::copyPresentation(files_, name); }

private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        session_ = std::make_unique<LectureSession>(questions_);
    }
    void init() {
        questions_ = ScriptedQuestions();
        session_->lecture() = LectureRecord();
    }
    void cleanupTestCase() {
        session_->cleanUp();
        session_.reset();
    }

    // A protected deck: the password is asked again while it is wrong, the right one opens it;
    // giving up leaves nothing open and is no failure.
    void passwordAskedUntilRightOrGivenUp() {
        const QString path = files_.filePath("protected.odp");
        {
            auto app = office::Application::start();
            auto source = app->open(copy("linebreaks.fodp"));
            source->saveCopy(path, QStringLiteral("Secret pass 1"));
            source->close();
            app->quit();
        }
        questions_.passwords = {"wrong", "Secret pass 1"};
        const auto opened = session_->openPresentation(path);
        QVERIFY(opened);
        QCOMPARE(questions_.asked,
                 (QStringList{"password for protected.odp", "password for protected.odp again"}));
        QCOMPARE(opened->name, QString("protected.odp"));
        QVERIFY(session_->moduleSlideFerry().presentation.isOpen());

        questions_ = ScriptedQuestions();
        QVERIFY(!session_->openPresentation(path));
        QCOMPARE(questions_.asked, QStringList{"password for protected.odp"});
        QVERIFY(!session_->moduleSlideFerry().presentation.isOpen());
    }

    // A deck that cannot be sent, or a range it does not have, is input to correct; nothing is
    // left open. Without a range to check every slide is the range.
    void unsendablePresentationsAreInput() {
        const auto [kind, message] =
            failureOf([&] { session_->openPresentation(copy("corrupt-records.ppt")); });
        QCOMPARE(kind, Failure::Kind::Input);
        // About a file on this computer: the server is not named.
        QVERIFY2(message.startsWith("Error: ") && !message.contains("HOST"), qPrintable(message));
        QVERIFY(!session_->moduleSlideFerry().presentation.isOpen());

        LectureRecord& lecture = session_->lecture();
        lecture.firstSlide = 2;
        lecture.lastSlide = 5;
        const auto [rangeKind, rangeMessage] =
            failureOf([&] { session_->openPresentation(copy("basic_test_ppt_file.ppt"), true); });
        QCOMPARE(rangeKind, Failure::Kind::Input);
        QCOMPARE(rangeMessage, QString("Error: The slide range 2-5 is not in "
                                       "basic_test_ppt_file.ppt: it has 2 slides"));
        QVERIFY(!session_->moduleSlideFerry().presentation.isOpen());

        lecture.lastSlide = 0; // to the last slide
        QVERIFY(session_->openPresentation(copy("basic_test_ppt_file.ppt"), true));
        QCOMPARE(std::pair(lecture.firstSlide, lecture.lastSlide), std::pair(2, 2));
        const auto opened = session_->openPresentation(copy("basic_test_ppt_file.ppt"));
        QCOMPARE(std::pair(lecture.firstSlide, lecture.lastSlide), std::pair(1, 2));
        QCOMPARE(opened->title, QString("This is a test title"));
        QVERIFY(questions_.asked.isEmpty()); // a deck that shows something raises no doubt
    }

    // Slides that all show nothing are sent only when the answer says so.
    void doubtfulPresentationAsked() {
        const QString path = copy("blank-slides.fodp");
        QVERIFY(!session_->openPresentation(path));
        QCOMPARE(questions_.asked.size(), 1);
        QCOMPARE(questions_.asked.first(), emptyPresentationText("blank-slides.fodp", 3));
        QVERIFY(!session_->moduleSlideFerry().presentation.isOpen());
        questions_.sendDoubtful = true;
        QVERIFY(session_->openPresentation(path));
        QVERIFY(session_->moduleSlideFerry().presentation.isOpen());
        session_->closePresentation();
    }

    // A Lumora account the server does not list, and a class it does not have, are input to
    // correct, in the words that say where to correct them.
    void accountAndClassRefusals() {
        TestFtpServer::Options options;
        options.demoSeed = true;
        LumoraServer server(options);
        QVERIFY2(server.start(), qPrintable(server.error()));
        LectureRecord& lecture = session_->lecture();
        lecture.host = server.host();
        lecture.corvaneId = server.user();
        lecture.corvanePassword = server.password();
        lecture.lumoraId = "alice";
        lecture.lumoraPassword = "not hers";
        const auto [kind, message] = failureOf([&] { session_->connect(" here"); });
        QCOMPARE(kind, Failure::Kind::Input);
        QCOMPARE(message, lumoraAccountRefused("alice", " here"));

        lecture.lumoraPassword = "wonder";
        QVERIFY(session_->connect(" here", false));
        lecture.className = "cs999";
        const auto [classKind, classMessage] = failureOf([&] { session_->requireListedClass(); });
        QCOMPARE(classKind, Failure::Kind::Input);
        QVERIFY2(classMessage.startsWith("Error: The class \"cs999\" is not on the server: its "
                                         "classes are cs101fall26"),
                 qPrintable(classMessage));
        lecture.className = "cs101fall26";
        session_->requireListedClass();

        // The demo lecture exists: the question is asked, and changing the date keeps it.
        lecture.month = "Sep";
        lecture.day = "14";
        lecture.year = "2026";
        lecture.session = "1";
        QVERIFY(!session_->findLecture());
        QCOMPARE(questions_.asked, QStringList{"lecture exists"});
        QCOMPARE(session_->lectureDirectory(), QString("classes/cs101fall26/Sep.14.2026.1"));
    }
};

QTEST_MAIN(TestLectureSession)
#include "test_lecture_session.moc"
