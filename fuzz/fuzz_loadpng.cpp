// libFuzzer target: arbitrary bytes through the whole loader, with every output path on.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"

namespace {

void configure(png::LoadPNG &loader, png::MemoryCanvas &canvas, uint8_t mode)
{
    loader.setTarget(&canvas);
    loader.setPlacement(true, mode & 8 ? 3 : 0, 0);
    loader.setUseAlpha(mode & 1);
    loader.setUseTransparency(mode & 2);
    if (mode & 4)
        loader.setBackgroundSource(&canvas);
    loader.setOwnBackgroundColor(mode & 16 ? 0x336699 : 0);
    // Pictures beyond a few megabytes only slow the fuzzer down; the limit path is still run.
    loader.setMaxDecodedBytes(uint64_t(4) << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The last byte picks the switches, so that plain, composited and drawn-over-a-picture
    // paths are all reached from the same corpus.
    const uint8_t mode = size ? data[size - 1] : 0;
    png::LoadPNG loader;
    png::MemoryCanvas canvas(16, 16, 0x808080);
    configure(loader, canvas, mode);
    loader.openData(data, size);
    if (!(mode & 32)) {
        // Again on the same object: the second run reuses the storage of the first bitmap.
        loader.openData(data, size);
        return 0;
    }
    // The same bytes from a file, read chunk by chunk, must give the same outcome.
    static const std::string path = "/tmp/fuzz_loadpng_" + std::to_string(getpid()) + ".png";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    png::LoadPNG fromFile;
    png::MemoryCanvas canvas2(16, 16, 0x808080);
    configure(fromFile, canvas2, mode);
    fromFile.openFile(path);
    std::remove(path.c_str());
    const auto &a = loader.bitmap(), &b = fromFile.bitmap();
    if (fromFile.errorNumber() != loader.errorNumber() || fromFile.text() != loader.text() ||
        fromFile.compressedText() != loader.compressedText() || a.has_value() != b.has_value() || (a && a->bits != b->bits))
        std::abort();
    return 0;
}
