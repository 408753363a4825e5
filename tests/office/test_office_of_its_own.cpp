// Each run's office is its own and never outlives the run: it listens on the run's own pipe,
// sits in a process group of its own (a terminal's Ctrl-C does not reach it), holds none of the
// run's passwords in its environment, and ends by itself within seconds when the run is killed
// outright. The run is this executable again, started with --run-office.
#include "OfficeTestSupport.h"
#include "platform/office/Office.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// The run: starts its office, says so, and waits to be killed.
int runOffice() {
    auto app = office::Application::start();
    std::printf("READY %s\n", qPrintable(office::pipeName()));
    std::fflush(stdout);
    QThread::sleep(600);
    return 0;
}

QByteArray procFile(qint64 pid, const char* name) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The process group of pid, from /proc/<pid>/stat (the field after the state and the parent).
qint64 processGroup(qint64 pid) {
    const QByteArray stat = procFile(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 2 ? fields[2].toLongLong() : -1;
}

} // namespace

class TestOfficeOfItsOwn : public QObject {
    Q_OBJECT

private slots:
    void officeEndsWithItsRun() {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SLIDE_FERRY_CORVANE_PASSWORD", "corvane-secret");
        env.insert("SLIDE_FERRY_LUMORA_PASSWORD", "lumora-secret");
        run.setProcessEnvironment(env);
        run.start(QCoreApplication::applicationFilePath(), {"--run-office"});
        QVERIFY(run.waitForStarted());
        QVERIFY2(run.waitForReadyRead(120000), "the run's office did not start");
        const QByteArray line = run.readLine().trimmed();
        QVERIFY2(line.startsWith("READY "), line.constData());
        const QString pipe = QString::fromUtf8(line.mid(6));
        QVERIFY(pipe.endsWith(QString::number(run.processId())));

        const QList<qint64> offices = officeTest::officeProcesses(pipe);
        QCOMPARE(offices.size(), 1);
        const QByteArray environment = procFile(offices.first(), "environ");
        QVERIFY(!environment.isEmpty());
        QVERIFY(!environment.contains("secret"));
        QVERIFY(!environment.contains("SLIDE_FERRY_CORVANE_PASSWORD"));
        QVERIFY(processGroup(offices.first()) != processGroup(run.processId()));

        ::kill(pid_t(run.processId()), SIGKILL);
        QVERIFY(run.waitForFinished(10000));
        QDeadlineTimer deadline(15000);
        while (officeTest::officeRunningOn(pipe) && !deadline.hasExpired())
            QThread::msleep(100);
        QVERIFY2(!officeTest::officeRunningOn(pipe), "the office outlived its run");
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--run-office") == 0)
        return runOffice();
    TestOfficeOfItsOwn test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_office_of_its_own.moc"
