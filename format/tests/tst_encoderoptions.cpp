#include <QTest>
class T final : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(T)
#include "tst_encoderoptions.moc"
