// jet-sample-notebook OUT.mdb [WEBSITES TABLES OBSERVATIONS]: writes the test
// suite's sample notebook of the original program as a Jet 4 file, to try the
// conversion by hand (smaller ones seed the fuzzer).
#include "SampleNotebook.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    jetfile::SampleSize size;
    if (argc == 5)
        size = {std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
    if ((argc != 2 && argc != 5) || size.websites < 1 || size.notesTables < 1 || size.observations < 0) {
        std::fprintf(stderr, "usage: jet-sample-notebook OUT.mdb [WEBSITES TABLES OBSERVATIONS]\n");
        return 2;
    }
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (out.exists() || !out.open(QIODevice::NewOnly) || out.write(jetfile::write(jetfile::sampleNotebook(size))) < 0) {
        std::fprintf(stderr, "jet-sample-notebook: cannot write %s (it must not exist yet)\n", argv[1]);
        return 1;
    }
    return 0;
}
