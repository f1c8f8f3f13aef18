// libFuzzer target: arbitrary bytes through the whole loader, with every output path on.
#include <cstddef>
#include <cstdint>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The last byte picks the switches, so that plain, composited and drawn-over-a-picture
    // paths are all reached from the same corpus.
    const uint8_t mode = size ? data[size - 1] : 0;
    png::LoadPNG loader;
    png::MemoryCanvas canvas(16, 16, 0x808080);
    loader.PicBox(&canvas);
    loader.SetToBkgrnd(true, mode & 8 ? 3 : 0, 0);
    loader.SetAlpha(mode & 1);
    loader.SetTrans(mode & 2);
    if (mode & 4)
        loader.BackgroundPicture(&canvas);
    loader.SetOwnBkgndColor(mode & 16, mode & 16 ? 0x336699 : 0);
    // Pictures beyond a few megabytes only slow the fuzzer down; the limit path is still run.
    loader.setMaxDecodedBytes(uint64_t(4) << 20);
    loader.OpenPNGData(data, size);
    // Again on the same object: the second run reuses the storage of the first bitmap.
    loader.OpenPNGData(data, size);
    return 0;
}
