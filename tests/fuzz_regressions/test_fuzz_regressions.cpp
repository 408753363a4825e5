#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "platform/Failure.h"

namespace {

using Target = std::function<void(const std::uint8_t*, std::size_t)>;

struct NamedTarget {
    const char* name;
    Target run;
};

const NamedTarget kTargets[] = {
    {"fuzz_account_file", fuzzing::accountFile},
    {"fuzz_class_listing", fuzzing::classListing},
    {"fuzz_text_rules", fuzzing::textRules},
    {"fuzz_text_merge", fuzzing::mergeText},
};

} // namespace

// Every kept input of every fuzz target: the crashes the fuzzers saved and the seeds.
class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void keptInputs_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        int crashes = 0;
        for (int t = 0; t < int(std::size(kTargets)); ++t) {
            for (const char* kind : {"crashes", "corpus"}) {
                const QDir dir(QStringLiteral(SF_FUZZ_DIR "/%1/%2")
                                   .arg(QLatin1String(kind), QLatin1String(kTargets[t].name)));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                    const QString row =
                        QStringLiteral("%1/%2/%3")
                            .arg(QLatin1String(kTargets[t].name), QLatin1String(kind), name);
                    QTest::newRow(qPrintable(row)) << t << dir.filePath(name);
                    crashes += QLatin1String(kind) == QLatin1String("crashes") ? 1 : 0;
                }
            }
        }
        qInfo("%d kept crashing inputs", crashes);
    }

    void keptInputs() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray input = file.readAll();
        try {
            kTargets[target].run(reinterpret_cast<const std::uint8_t*>(input.constData()),
                                 std::size_t(input.size()));
        } catch (const fuzzing::InvariantBroken& e) {
            QFAIL(e.what());
        } catch (const Failure& e) {
            QFAIL(qPrintable(QStringLiteral("Failure escaped: ") + e.description()));
        }
    }

    // The seeds are where the fuzzers start: each target has some.
    void everyTargetHasSeeds() {
        for (const NamedTarget& target : kTargets) {
            const QDir dir(
                QStringLiteral(SF_FUZZ_DIR "/corpus/%1").arg(QLatin1String(target.name)));
            QVERIFY2(!dir.entryList(QDir::Files).isEmpty(), target.name);
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
