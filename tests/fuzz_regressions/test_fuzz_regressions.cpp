#include <QDir>
#include <QFile>
#include <QTest>

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "platform/Failure.h"

namespace {
const struct {
    const char* name;
    void (*run)(const std::uint8_t*, std::size_t);
} kTargets[] = {
    {"fuzz_account_file", fuzzing::accountFile},
    {"fuzz_class_listing", fuzzing::classListing},
    {"fuzz_text_rules", fuzzing::textRules},
    {"fuzz_text_merge", fuzzing::mergeText},
};
} // namespace

// Every kept input of every fuzz target: the crashes the fuzzers saved and the seeds (each
// target has some: they are where its fuzzer starts).
class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void keptInputs_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        for (int t = 0; t < int(std::size(kTargets)); ++t) {
            for (const QString kind : {"crashes", "corpus"}) {
                const QDir dir(QStringLiteral(SF_FUZZ_DIR "/%1/%2").arg(kind, kTargets[t].name));
                const QStringList names = dir.entryList(QDir::Files, QDir::Name);
                QVERIFY2(kind == "crashes" || !names.isEmpty(), kTargets[t].name);
                for (const QString& name : names)
                    QTest::addRow("%s/%s/%s", kTargets[t].name, qPrintable(kind), qPrintable(name))
                        << t << dir.filePath(name);
            }
        }
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
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
