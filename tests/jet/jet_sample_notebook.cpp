// jet-sample-notebook OUT.mdb: writes the test suite's sample notebook of the
// original program as a Jet 4 file, to try the conversion by hand.
#include "SampleNotebook.h"

#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: jet-sample-notebook OUT.mdb\n");
        return 2;
    }
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (out.exists() || !out.open(QIODevice::NewOnly) || out.write(jetfile::write(jetfile::sampleNotebook())) < 0) {
        std::fprintf(stderr, "jet-sample-notebook: cannot write %s (it must not exist yet)\n", argv[1]);
        return 1;
    }
    return 0;
}
