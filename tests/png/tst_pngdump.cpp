// tavorin-pngdump on files that are no pictures, or far larger than any picture: it answers
// at once, without reading them whole or waiting on them.
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

void write(const QString &path, const ByteVector &bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// `bytes`, then zeros up to `size` without writing them (a sparse file).
void sparse(const QString &path, const ByteVector &bytes, uintmax_t size)
{
    write(path, bytes);
    std::filesystem::resize_file(path.toStdString(), size);
}

} // namespace

class TestPngDump : public QObject {
    Q_OBJECT

private slots:
    void answersAtOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("error");
        static QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const uintmax_t gib = uintmax_t(1) << 30;
        QTest::newRow("endless device") << "/dev/zero" << 1;
        QTest::newRow("folder") << dir.path() << 1;
        const QString fifo = dir.filePath("pipe.png"); // nobody ever writes into it
        QVERIFY(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QTest::newRow("pipe without a writer") << fifo << 1;
        sparse(dir.filePath("zeros.png"), {}, gib);
        QTest::newRow("1 GiB of zeros") << dir.filePath("zeros.png") << 1;
        sparse(dir.filePath("huge.png"), signature + ihdr(100, 100, 8, 0), gib);
        QTest::newRow("1 GiB behind a PNG signature") << dir.filePath("huge.png") << 5;
        // A chunk claiming more than the file holds, in a file with gigabytes of room.
        sparse(dir.filePath("claims.png"), signature + ihdr(100, 100, 8, 0) + be32(0x7FFFFFF0) + "tEXt"_b, 4096);
        QTest::newRow("chunk longer than the file") << dir.filePath("claims.png") << 3;
    }
    void answersAtOnce()
    {
        QFETCH(QString, file);
        QFETCH(int, error);
        QProcess dump;
        QElapsedTimer clock;
        clock.start();
        dump.start(PNGDUMP, {file});
        const bool finished = dump.waitForFinished(5000);
        if (!finished) {
            dump.kill();
            dump.waitForFinished();
        }
        QVERIFY2(finished, qPrintable(QString("still running after %1 ms").arg(clock.elapsed())));
        QCOMPARE(dump.exitCode(), 0);
        QVERIFY(dump.readAllStandardOutput().contains("ErrorNumber: " + QByteArray::number(error) + "\n"));
    }
};

QTEST_GUILESS_MAIN(TestPngDump)
#include "tst_pngdump.moc"
