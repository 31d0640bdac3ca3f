// A settings file that cannot be read, as the user may leave one: the window
// starts on the defaults without a word, never blocks on it, and leaves it as
// it was.

#include "controls.h"
#include "windowdriver.h"

#include <QLineEdit>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

enum class SettingsFault { NoReadPermission, LoopingLink, Folder, Pipe, NotText };

// Notices anyone opening a named pipe for reading: it opens the write end
// without blocking, which only succeeds while a reader is there, and closes it
// at once, so a reader that would wait for ever gets an end of file instead
// and the test fails rather than hangs.
class PipeWatch final
{
public:
    // An empty path watches nothing.
    explicit PipeWatch(const QString &path) : m_path(QFile::encodeName(path)), m_thread([this] { run(); }) {}
    ~PipeWatch() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool readerSeen() const { return m_seen; }

private:
    void run()
    {
        while (!m_stop && !m_path.isEmpty()) {
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                m_seen = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    QByteArray m_path;
    std::atomic_bool m_stop{false};
    std::atomic_bool m_seen{false};
    std::thread m_thread; // last: starts once the rest is ready
};

} // namespace

Q_DECLARE_METATYPE(SettingsFault)

class TestSettingsFaults final : public QObject
{
    Q_OBJECT

private slots:
    void damagedSettings_data();
    void damagedSettings();
};

void TestSettingsFaults::damagedSettings_data()
{
    QTest::addColumn<SettingsFault>("fault");

    QTest::newRow("no read permission") << SettingsFault::NoReadPermission;
    QTest::newRow("a link that loops") << SettingsFault::LoopingLink;
    QTest::newRow("a folder") << SettingsFault::Folder;
    QTest::newRow("a named pipe") << SettingsFault::Pipe;
    QTest::newRow("not text") << SettingsFault::NotText;
}

void TestSettingsFaults::damagedSettings()
{
    QFETCH(SettingsFault, fault);

    FakeServices fakes;
    const QString path = QDir(fakes.settingsLocation.storeFolder()).filePath(u"HKEY_LOCAL_MACHINE.ini"_s);
    // Settings the window would show if it could read them.
    const QByteArray stored = "[Software\\Tessaly Snipora\\Settings]\ntxtOutPath=/stored/folder\ncmbCategory=3\n";
    QByteArray before;
    switch (fault) {
    case SettingsFault::NoReadPermission: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(stored) == stored.size());
        file.close();
        QVERIFY(file.setPermissions(QFile::WriteOwner));
        if (file.open(QIODevice::ReadOnly))
            QSKIP("Running as root, a file without read permission can still be read; "
                  "the looping link stands for an unreadable file there.");
        before = stored;
        break;
    }
    case SettingsFault::LoopingLink:
        QVERIFY(QFile::link(path, path));
        break;
    case SettingsFault::Folder:
        QVERIFY(QDir().mkpath(path));
        QVERIFY(QFile(path + u"/inside"_s).open(QIODevice::WriteOnly));
        break;
    case SettingsFault::Pipe:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case SettingsFault::NotText: {
        for (int i = 0; i < 4096; ++i)
            before.append(char((i * 37 + 11) % 256));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        break;
    }
    }
    // Only a pipe can be watched this way; a regular file opens for writing anyway.
    PipeWatch watch(fault == SettingsFault::Pipe ? path : QString());

    {
        auto window = fakes.makeWindow();
        window->show();
        // The defaults: the output into "Cut Files" in the home folder, the
        // second preset category.
        QCOMPARE(child<QLineEdit>(*window, u"txtOutPath"_s)->text(),
                 QDir::toNativeSeparators(fakes.temp.filePath(u"Cut Files"_s)));
        QVERIFY(child<OptionButton>(*window, u"optOtherFolder"_s)->Value());
        QCOMPARE(window->formatPanel().controls().cmbCategory->currentIndex(), 1);
        window->close(); // saves
    }
    watch.stop();
    QVERIFY2(!watch.readerSeen(), "the named pipe was opened for reading");
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));

    // What was there is left as it was.
    const QFileInfo info(path);
    switch (fault) {
    case SettingsFault::LoopingLink:
        QVERIFY(info.isSymLink());
        break;
    case SettingsFault::Folder:
        QVERIFY(info.isDir());
        QVERIFY(QFileInfo::exists(path + u"/inside"_s));
        break;
    case SettingsFault::Pipe: {
        struct stat status{};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
        break;
    }
    case SettingsFault::NoReadPermission: {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        break;
    }
    case SettingsFault::NotText:
        break;
    }
}

QTEST_MAIN(TestSettingsFaults)
#include "tst_settingsfaults.moc"
