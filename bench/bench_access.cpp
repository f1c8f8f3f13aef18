// bench_access [ROUNDS]: the conversion of the tests' sample Access notebook
// (200 websites, 150 notes tables, 20,000 observations, memos up to 100,000
// characters) into a notebook file, against mdbtools' own mdb-export reading
// every table of the same file to CSV. Each figure is the median of its rounds.
#include "exchange/AccessImport.h"
#include "tests/jet/SampleNotebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QVector<jetfile::Table> tables = jetfile::sampleNotebook();
    const QString jet = dir.filePath(QStringLiteral("mybook.mdb"));
    QFile file(jet);
    if (!file.open(QIODevice::WriteOnly) || file.write(jetfile::write(tables)) < 0)
        return 1;
    file.close();
    QVector<double> ours, oursCpu, rival;
    for (int r = 0; r < rounds; ++r) {
        const QString target = dir.filePath(QStringLiteral("new%1.mdb").arg(r));
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        AccessImport::convert(jet, target);
        ours << timer.nsecsElapsed() / 1e9;
        oursCpu << double(std::clock() - cpu) / CLOCKS_PER_SEC;
        QFile::remove(target);
        timer.restart();
        for (const jetfile::Table &t : tables) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(QStringLiteral("mdb-export"), {jet, t.name});
            p.waitForFinished(-1);
        }
        rival << timer.nsecsElapsed() / 1e9;
    }
    // The processor time shows the work apart from a busy machine's waits.
    std::printf("| figure | ours | ours, processor time | mdb-export (every table to CSV) | ratio |\n|---|---|---|---|---|\n");
    std::printf("| convert %lld-byte sample notebook (20,000 observations) | %.2f s | %.2f s | %.2f s | %.2f |\n",
                static_cast<long long>(QFile(jet).size()), median(ours), median(oursCpu), median(rival), median(rival) / median(ours));
    return 0;
}
