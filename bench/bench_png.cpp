// Decoder speed against zlib, libdeflate, libpng and libspng, side by side.
// Usage: bench_png PNGSUITE_DIR
#include <libdeflate.h>
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "png/Inflate.h"
#include "png/LoadPNG.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Image {
    std::string name;
    std::vector<Bytes> files;
};

uint32_t be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The concatenated IDAT data of a PNG file and the size of its inflated rows.
Bytes zlibStream(const Bytes &file, size_t &rawSize)
{
    Bytes z;
    size_t pos = 8;
    uint32_t w = 0, h = 0;
    int depth = 8, ct = 0, interlace = 0;
    while (pos + 12 <= file.size()) {
        const uint32_t len = be32(&file[pos]);
        const char *type = reinterpret_cast<const char *>(&file[pos + 4]);
        const uint8_t *data = &file[pos + 8];
        if (!std::memcmp(type, "IHDR", 4)) {
            w = be32(data), h = be32(data + 4), depth = data[8], ct = data[9], interlace = data[12];
        }
        if (!std::memcmp(type, "IDAT", 4))
            z.insert(z.end(), data, data + len);
        pos += 12 + len;
    }
    const int ch = ct == 2 ? 3 : ct == 4 ? 2 : ct == 6 ? 4 : 1;
    rawSize = size_t(h) * ((size_t(w) * ch * depth + 7) / 8 + 1) + (interlace ? h + 256 : 0);
    return z;
}

void writeMem(png_structp png, png_bytep data, png_size_t len)
{
    auto *out = static_cast<Bytes *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + len);
}
void flushNone(png_structp) {}

Bytes encodeRgb(uint32_t w, uint32_t h, const Bytes &rgb)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, writeMem, flushNone);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < h; ++y)
        png_write_row(png, rgb.data() + size_t(y) * w * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Flat areas, window frames, lines and rows of small glyphs, like a screenshot of a program.
Bytes screenshot(uint32_t n)
{
    Bytes rgb(size_t(n) * n * 3);
    std::mt19937 rng(7);
    auto put = [&](uint32_t x, uint32_t y, uint32_t c) {
        if (x < n && y < n) {
            uint8_t *p = &rgb[(size_t(y) * n + x) * 3];
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
        }
    };
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x)
            put(x, y, 0xF0F0F0);
    const uint32_t palette[] = {0xFFFFFF, 0x2D5FA8, 0xDDE6F2, 0xC0C0C0, 0x333333, 0xF7E7B0};
    for (int r = 0; r < 60; ++r) {
        const uint32_t x0 = rng() % n, y0 = rng() % n, w = 50 + rng() % 600, h = 30 + rng() % 400;
        const uint32_t c = palette[rng() % 6];
        for (uint32_t y = y0; y < y0 + h; ++y)
            for (uint32_t x = x0; x < x0 + w; ++x)
                put(x, y, c);
        for (uint32_t x = x0; x < x0 + w; ++x)
            put(x, y0, 0x808080), put(x, y0 + h - 1, 0x808080);
        for (uint32_t y = y0; y < y0 + h; ++y)
            put(x0, y, 0x808080), put(x0 + w - 1, y, 0x808080);
        // text: rows of 7x12 glyphs drawn from a small set of bit patterns
        for (uint32_t ty = y0 + 20; ty + 14 < y0 + h; ty += 16) {
            for (uint32_t tx = x0 + 6; tx + 8 < x0 + w - 6; tx += 8) {
                if (rng() % 9 == 0)
                    continue;
                const uint32_t glyph = 0x9E3779B9u * (rng() % 60 + 1);
                for (int gy = 0; gy < 12; ++gy)
                    for (int gx = 0; gx < 7; ++gx)
                        if ((glyph >> ((gy * 7 + gx) % 32)) & 1 && (gy % 3 != 1))
                            put(tx + gx, ty + gy, 0x101010);
            }
        }
    }
    for (int l = 0; l < 200; ++l) {
        const uint32_t y = rng() % n, x0 = rng() % n, len = rng() % 800;
        for (uint32_t x = x0; x < x0 + len; ++x)
            put(x, y, 0x0060C0);
    }
    return rgb;
}

// Smooth shading with fine noise, like a photograph.
Bytes photograph(uint32_t n)
{
    Bytes rgb(size_t(n) * n * 3);
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (uint32_t y = 0; y < n; ++y) {
        for (uint32_t x = 0; x < n; ++x) {
            const double fx = x / double(n), fy = y / double(n);
            const double base[3] = {
                120 + 90 * std::sin(fx * 6.1 + fy * 2.3) * std::cos(fy * 4.7),
                110 + 80 * std::sin(fx * 3.3 - fy * 5.1 + 1.0),
                100 + 70 * std::cos(fx * 7.9 * fy + 0.5) + 30 * std::sin(fy * 17.0)};
            uint8_t *p = &rgb[(size_t(y) * n + x) * 3];
            for (int c = 0; c < 3; ++c)
                p[c] = uint8_t(std::clamp(base[c] + noise(rng), 0.0, 255.0));
        }
    }
    return rgb;
}

// Best time of several rounds of `body` over all files, in seconds.
double timeIt(const std::function<void()> &body)
{
    using clock = std::chrono::steady_clock;
    double best = 1e9;
    const auto start = clock::now();
    int rounds = 0;
    while (rounds < 5 || (std::chrono::duration<double>(clock::now() - start).count() < 1.5 && rounds < 200)) {
        const auto t0 = clock::now();
        body();
        best = std::min(best, std::chrono::duration<double>(clock::now() - t0).count());
        ++rounds;
    }
    return best;
}

volatile size_t sink;

} // namespace

int main(int argc, char **argv)
{
    const std::string suite = argc > 1 ? argv[1] : "../shared/pngsuite";
    std::vector<Image> sets;
    Image all{"PngSuite (all valid files)", {}};
    std::error_code error;
    for (std::filesystem::directory_iterator it(suite, error), end; !error && it != end; it.increment(error)) {
        const std::filesystem::path &path = it->path();
        const std::string name = path.filename().string();
        if (path.extension() != ".png" || name[0] == 'x')
            continue;
        std::ifstream in(path, std::ios::binary);
        all.files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Like the tests, go on with the generated pictures when the suite is not there.
    if (all.files.empty())
        std::fprintf(stderr, "note: no PngSuite images in %s (%s); timing the generated pictures only\n",
                     suite.c_str(), error ? error.message().c_str() : "no .png files");
    else
        sets.push_back(all);
    sets.push_back({"2048x2048 screenshot", {encodeRgb(2048, 2048, screenshot(2048))}});
    sets.push_back({"2048x2048 photograph", {encodeRgb(2048, 2048, photograph(2048))}});

    libdeflate_decompressor *ld = libdeflate_alloc_decompressor();
    std::printf("%-28s %-8s %12s %12s %12s %8s %8s\n", "image", "stage", "ours", "zlib/libpng", "libdeflate/spng",
                "ratio1", "ratio2");
    for (const Image &img : sets) {
        // Inflate: MB of output per second.
        std::vector<Bytes> streams;
        std::vector<size_t> sizes;
        size_t totalOut = 0, fileBytes = 0;
        for (const Bytes &f : img.files) {
            size_t raw = 0;
            streams.push_back(zlibStream(f, raw));
            sizes.push_back(raw);
            fileBytes += f.size();
        }
        png::Inflate inflater;
        png::Bytes out;
        Bytes buf;
        for (size_t i = 0; i < streams.size(); ++i) {
            uint32_t cap = uint32_t(sizes[i]);
            inflater.run(streams[i].data() + 2, streams[i].size() - 2, out, cap);
            totalOut += out.size();
        }
        const double tOurs = timeIt([&] {
            for (size_t i = 0; i < streams.size(); ++i) {
                uint32_t cap = uint32_t(sizes[i]);
                inflater.run(streams[i].data() + 2, streams[i].size() - 2, out, cap);
                sink = out.size();
            }
        });
        const double tZlib = timeIt([&] {
            for (size_t i = 0; i < streams.size(); ++i) {
                buf.resize(sizes[i] + 100);
                uLongf len = uLongf(buf.size());
                uncompress(buf.data(), &len, streams[i].data(), uLong(streams[i].size()));
                sink = len;
            }
        });
        const double tDeflate = timeIt([&] {
            for (size_t i = 0; i < streams.size(); ++i) {
                buf.resize(sizes[i] + 100);
                size_t len = 0;
                libdeflate_zlib_decompress(ld, streams[i].data(), streams[i].size(), buf.data(), buf.size(), &len);
                sink = len;
            }
        });
        const double mb = totalOut / 1e6;
        std::printf("%-28s %-8s %9.1f MB/s %9.1f MB/s %9.1f MB/s %8.2f %8.2f\n", img.name.c_str(), "inflate",
                    mb / tOurs, mb / tZlib, mb / tDeflate, tZlib / tOurs, tDeflate / tOurs);

        // Full decode: file bytes in memory to a 24-bit (or 32-bit) bitmap in memory.
        png::LoadPNG loader;
        const double dOurs = timeIt([&] {
            for (const Bytes &f : img.files) {
                loader.openData(f.data(), f.size());
                sink = loader.bitmap() ? loader.bitmap()->bits.size() : 0;
            }
        });
        const double dPng = timeIt([&] {
            for (const Bytes &f : img.files) {
                png_image image{};
                image.version = PNG_IMAGE_VERSION;
                if (!png_image_begin_read_from_memory(&image, f.data(), f.size()))
                    continue;
                image.format = PNG_FORMAT_BGR;
                const png_int_32 stride = png_int_32((image.width * 3 + 3) / 4 * 4);
                buf.resize(size_t(stride) * image.height);
                png_image_finish_read(&image, nullptr, buf.data(), stride, nullptr);
                png_image_free(&image);
                sink = buf.size();
            }
        });
        const double dSpng = timeIt([&] {
            for (const Bytes &f : img.files) {
                spng_ctx *ctx = spng_ctx_new(0);
                spng_set_png_buffer(ctx, f.data(), f.size());
                size_t len = 0;
                if (spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &len) == 0) {
                    buf.resize(len);
                    spng_decode_image(ctx, buf.data(), len, SPNG_FMT_RGB8, 0);
                }
                spng_ctx_free(ctx);
                sink = len;
            }
        });
        const double fmb = fileBytes / 1e6;
        std::printf("%-28s %-8s %9.1f MB/s %9.1f MB/s %9.1f MB/s %8.2f %8.2f   (MB of file per second)\n",
                    img.name.c_str(), "decode", fmb / dOurs, fmb / dPng, fmb / dSpng, dPng / dOurs, dSpng / dOurs);
    }
    libdeflate_free_decompressor(ld);
    std::printf("ratio1 = rival time / our time against zlib (inflate) or libpng (decode); ratio2 the same against "
                "libdeflate or libspng. Above 1: ours is faster.\n");
    return 0;
}
