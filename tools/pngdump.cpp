// tavorin-pngdump FILE [--alpha] [--trans] [--bg RRGGBB] [--bmp OUT.bmp]
// Prints what the PNG decoder makes of a file and can save the bitmap it built.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"

namespace {

int usage()
{
    std::cerr << "usage: tavorin-pngdump FILE [--alpha] [--trans] [--bg RRGGBB] [--bmp OUT.bmp]\n";
    return 2;
}

std::string printable(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

void put16(std::ostream &out, uint16_t v)
{
    const char b[2] = {char(v), char(v >> 8)};
    out.write(b, 2);
}
void put32(std::ostream &out, uint32_t v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.write(b, 4);
}

bool writeBmp(const std::string &path, const png::Dib &dib)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    const uint32_t table = uint32_t(dib.colours.size()) * 4;
    const uint32_t offset = 14 + 40 + table;
    put16(out, 0x4D42);
    put32(out, uint32_t(offset + dib.bits.size()));
    put32(out, 0);
    put32(out, offset);
    const png::BitmapInfoHeader &h = dib.header;
    put32(out, h.biSize);
    put32(out, uint32_t(h.biWidth));
    put32(out, uint32_t(h.biHeight));
    put16(out, h.biPlanes);
    put16(out, h.biBitCount);
    put32(out, h.biCompression);
    put32(out, h.biSizeImage);
    put32(out, uint32_t(h.biXPelsPerMeter));
    put32(out, uint32_t(h.biYPelsPerMeter));
    put32(out, h.biClrUsed);
    put32(out, h.biClrImportant);
    for (const png::RgbQuad &q : dib.colours) {
        const char b[4] = {char(q.blue), char(q.green), char(q.red), char(q.reserved)};
        out.write(b, 4);
    }
    out.write(reinterpret_cast<const char *>(dib.bits.data()), std::streamsize(dib.bits.size()));
    return bool(out);
}

} // namespace

int main(int argc, char **argv)
{
    std::string file, bmp;
    bool alpha = false, trans = false;
    uint32_t bg = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--alpha") {
            alpha = true;
        } else if (arg == "--trans") {
            trans = true;
        } else if (arg == "--bg" && i + 1 < argc) {
            const std::string hex = argv[++i];
            char *end = nullptr;
            const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
            if (hex.size() != 6 || *end != '\0')
                return usage();
            // RRGGBB as written; the decoder takes red + 256 green + 65536 blue.
            bg = uint32_t((v >> 16) & 0xFF) | uint32_t(v & 0xFF00) | uint32_t(v & 0xFF) << 16;
        } else if (arg == "--bmp" && i + 1 < argc) {
            bmp = argv[++i];
        } else if (file.empty() && (arg.empty() || arg[0] != '-')) {
            file = arg;
        } else {
            return usage();
        }
    }
    if (file.empty())
        return usage();

    png::LoadPNG loader;
    png::MemoryCanvas target;
    loader.setTarget(&target);
    loader.setPlacement(true, 0, 0);
    loader.setUseAlpha(alpha);
    loader.setUseTransparency(trans);
    loader.setOwnBackgroundColor(bg);
    loader.setMessageHandler([](const std::string &text) { std::cerr << text << '\n'; });
    loader.openFile(file);

    auto yesNo = [](bool b) { return b ? "yes" : "no"; };
    std::cout << "Width: " << loader.width() << '\n'
              << "Height: " << loader.height() << '\n'
              << "BitDepth: " << loader.bitDepth() << '\n'
              << "ColorType: " << loader.colorType() << '\n'
              << "CompressionMethod: " << loader.compressionMethod() << '\n'
              << "FilterMethod: " << loader.filterMethod() << '\n'
              << "InterlaceMethod: " << loader.interlaceMethod() << '\n'
              << "ErrorNumber: " << loader.errorNumber() << '\n'
              << "HasAlpha: " << yesNo(loader.hasAlpha()) << '\n'
              << "HasTransparency: " << yesNo(loader.hasTransparency()) << '\n'
              << "HasBackgroundChunk: " << yesNo(loader.hasBackgroundChunk()) << '\n'
              << "BackgroundColor: " << loader.backgroundColor() << '\n'
              << "Gamma: " << loader.gamma() << '\n'
              << "ModificationTime: " << loader.modificationTime() << '\n'
              << "Text: " << printable(loader.text()) << '\n'
              << "CompressedText: " << printable(loader.compressedText()) << '\n'
              << "OutputBits: " << loader.outputBits() << '\n';

    if (!bmp.empty()) {
        if (!loader.bitmap()) {
            std::cerr << "no bitmap was built, " << bmp << " not written\n";
        } else if (!writeBmp(bmp, *loader.bitmap())) {
            std::cerr << "cannot write " << bmp << '\n';
            return 1;
        }
    }
    return 0;
}
