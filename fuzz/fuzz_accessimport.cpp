// libFuzzer target: arbitrary bytes as the Access notebook being converted,
// read the way the conversion reads it (every table's columns and rows).
// Nothing may crash, hang or read out of bounds; refusals are fine.
#include "exchange/ExchangeError.h"
#include "exchange/JetReader.h"

#include <QFile>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // libmdb reads files only.
    static const QString path = QStringLiteral("/tmp/fuzz_accessimport_%1.mdb").arg(getpid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    try {
        exchange::JetReader jet(path);
        for (const exchange::JetReader::Table &t : jet.tables()) {
            try {
                jet.columns(t.name);
            } catch (const Failure &) {
                // a column the program cannot hold: its rows are still read
            }
            jet.readRows(t.name, [](const QVariantList &) {});
        }
    } catch (const Failure &) {
    }
    return 0;
}
