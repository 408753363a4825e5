#include <QTest>
class TestPresentationExport : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestPresentationExport)
#include "test_presentation_export.moc"
